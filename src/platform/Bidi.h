#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Text direction, by the Unicode bidirectional algorithm (through fribidi): which characters are written right to
// left, the direction a paragraph takes from its first strong character, the embedding level of every character,
// and the order in which pieces of a row at their levels are shown.

// c is a letter of a right-to-left script (Hebrew, Arabic, ...) or a mark that opens right-to-left text.
bool IsRightToLeft(char32_t c);
bool HasRightToLeft(std::u32string_view text);

// The direction of the first strong character: true for right to left; none when the text has no strong one
// (only digits, blanks or punctuation).
std::optional<bool> FirstStrongIsRightToLeft(std::u32string_view text);

// The embedding level of each character of a paragraph or row written in the given direction: even levels run
// left to right, odd ones right to left; blanks at the end take the paragraph's level.
std::vector<std::uint8_t> EmbeddingLevels(std::u32string_view text, bool rightToLeft);

// A piece of a row at one embedding level, where it stands and how wide it is, in pixels.
struct DirectedSpan {
    std::uint8_t level = 0;
    float x = 0;
    float width = 0;
};

// Moves the spans of a row, given in logical order with the places they would have written left to right, to the
// places they are shown in: every stretch of spans at a level of at least k, for each odd-and-higher k, is turned
// round within the room it takes, so that the gaps between them (a justified row's) turn with them.
void ShowInVisualOrder(std::vector<DirectedSpan>& spans);
