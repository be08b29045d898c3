#include "platform/GlyphCoverage.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

// Bytes one row of a pixel mode needs at a width in samples; nothing for a mode we do not know.
std::optional<std::size_t> RowBytes(unsigned char pixelMode, std::size_t samples)
{
    switch (pixelMode) {
    case FT_PIXEL_MODE_MONO:
        return (samples + 7) / 8;
    case FT_PIXEL_MODE_GRAY2:
        return (samples + 3) / 4;
    case FT_PIXEL_MODE_GRAY4:
        return (samples + 1) / 2;
    case FT_PIXEL_MODE_GRAY:
    case FT_PIXEL_MODE_LCD:
    case FT_PIXEL_MODE_LCD_V:
        return samples;
    case FT_PIXEL_MODE_BGRA:
        return 4 * samples;
    default:
        return std::nullopt;
    }
}

// A sample of n levels (0 .. n - 1) as 0 .. 255.
std::uint8_t Scaled(unsigned value, unsigned levels)
{
    if (value >= levels - 1)
        return 255;
    return static_cast<std::uint8_t>((value * 255 + (levels - 1) / 2) / (levels - 1));
}

// Sample x of a row of packed samples, bits samples to a byte, the first in the highest bits.
unsigned Packed(const std::uint8_t* row, int x, int bits)
{
    const int perByte = 8 / bits;
    const int shift = 8 - bits * (x % perByte + 1);
    return (row[x / perByte] >> shift) & ((1u << bits) - 1);
}

// How dark a premultiplied BGRA pixel looks over white: its alpha less its light. The squares stand in for sRGB
// decoding, so mid-tones are not taken for ink.
std::uint8_t FromBgra(const std::uint8_t* pixel)
{
    const unsigned alpha = pixel[3];
    if (alpha == 0)
        return 0;
    const unsigned long light = (4732ul * pixel[0] * pixel[0] + 46871ul * pixel[1] * pixel[1] +
                                 13933ul * pixel[2] * pixel[2]) >> 16;
    return static_cast<std::uint8_t>(alpha - std::min<unsigned long>(alpha, light / alpha));
}

} // namespace

bool ToCoverage(const FT_Bitmap& bitmap, CoverageLevels levels, GlyphCoverage& out)
{
    out = {};
    const unsigned char mode = bitmap.pixel_mode;
    const int samples = static_cast<int>(bitmap.width);
    const std::size_t stride = static_cast<std::size_t>(std::abs(bitmap.pitch));
    const auto rowBytes = RowBytes(mode, bitmap.width);
    if (!rowBytes || (*rowBytes > stride && bitmap.rows > 0))
        return false;
    const int width = mode == FT_PIXEL_MODE_LCD ? samples / 3 : samples;
    const int height = static_cast<int>(mode == FT_PIXEL_MODE_LCD_V ? bitmap.rows / 3 : bitmap.rows);
    if (width <= 0 || height <= 0 || !bitmap.buffer)
        return true;  // a glyph without ink, such as the blank

    // The top row: with an upward flow (negative pitch) the buffer begins with the bottom row.
    const std::uint8_t* top = bitmap.buffer;
    if (bitmap.pitch < 0)
        top += stride * (bitmap.rows - 1);
    const std::ptrdiff_t down = bitmap.pitch;
    const unsigned grays = bitmap.num_grays >= 2 ? bitmap.num_grays : 256;

    out.width = width;
    out.height = height;
    out.coverage.resize(static_cast<std::size_t>(width) * height);
    std::uint8_t* target = out.coverage.data();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = top + down * (mode == FT_PIXEL_MODE_LCD_V ? 3 * y : y);
        for (int x = 0; x < width; ++x, ++target) {
            switch (mode) {
            case FT_PIXEL_MODE_MONO:
                *target = Packed(row, x, 1) ? 255 : 0;
                break;
            case FT_PIXEL_MODE_GRAY2:
                *target = Scaled(Packed(row, x, 2), 4);
                break;
            case FT_PIXEL_MODE_GRAY4:
                *target = Scaled(Packed(row, x, 4), 16);
                break;
            case FT_PIXEL_MODE_GRAY:
                *target = grays == 256 ? row[x] : Scaled(row[x], grays);
                break;
            case FT_PIXEL_MODE_LCD:
                *target = static_cast<std::uint8_t>((row[3 * x] + row[3 * x + 1] + row[3 * x + 2] + 1) / 3);
                break;
            case FT_PIXEL_MODE_LCD_V:
                *target = static_cast<std::uint8_t>((row[x] + row[x + down] + row[x + 2 * down] + 1) / 3);
                break;
            case FT_PIXEL_MODE_BGRA:
                *target = FromBgra(row + 4 * x);
                break;
            }
            if (levels == CoverageLevels::TwoLevel)
                *target = *target >= 128 ? 255 : 0;
        }
    }
    return true;
}
