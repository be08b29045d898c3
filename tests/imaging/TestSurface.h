#pragma once

#include "imaging/cDIBSection.h"

#include <cstdint>

// Pixel access in memory order (row 0 is the bottom row), as the reduction code addresses surfaces.
inline std::uint8_t* PixelAt(cDIBSection& s, int x, int y)
{
    return s.DIBSectionBitsPtr() + static_cast<std::size_t>(y) * s.BytesPerScanLine() + 3 * x;
}

inline void Fill(cDIBSection& s, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            std::uint8_t* p = PixelAt(s, x, y);
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
}
