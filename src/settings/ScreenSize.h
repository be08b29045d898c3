#pragma once

#include <optional>
#include <string_view>
#include <utility>

// The screen sizes the settings offer, in pixels, width first.

// The screen of preset index (0 to 2 of optScrRes), exchanged into portrait when swap is set.
std::pair<int, int> PresetScreen(int index, bool swap);

// A side of the custom screen as its box holds it: digits only, a whole number from kMinCustomSide to
// kMaxCustomSide; nothing otherwise.
std::optional<int> CustomSide(std::string_view text);

// The custom screen from the texts of its boxes, exchanged when swap is set; nothing unless both are sides.
std::optional<std::pair<int, int>> CustomScreen(std::string_view width, std::string_view height, bool swap);
