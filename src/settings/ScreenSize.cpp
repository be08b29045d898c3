#include "settings/ScreenSize.h"

#include "settings/Controls.h"

#include <algorithm>

std::pair<int, int> PresetScreen(int index, bool swap)
{
    static constexpr std::pair<int, int> kPresets[] = {{320, 240}, {640, 480}, {208, 208}};
    const auto [width, height] = kPresets[std::clamp(index, 0, 2)];
    return swap ? std::pair(height, width) : std::pair(width, height);
}

std::optional<int> CustomSide(std::string_view text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int side = 0;
    for (const char digit : text)
        side = side * 10 + (digit - '0');
    if (side < kMinCustomSide || side > kMaxCustomSide)
        return std::nullopt;
    return side;
}

std::optional<std::pair<int, int>> CustomScreen(std::string_view width, std::string_view height, bool swap)
{
    const auto w = CustomSide(width), h = CustomSide(height);
    if (!w || !h)
        return std::nullopt;
    return swap ? std::pair(*h, *w) : std::pair(*w, *h);
}
