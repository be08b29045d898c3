#include "PngRead.h"
#include "imaging/Bitmap.h"
#include "platform/PngEncoder.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

// A picture of width × height whose pixel (x, y) has the colour colourAt(x, y) (red << 16 | green << 8 | blue).
template <class ColourAt>
Bitmap Picture(int width, int height, int bits, ColourAt colourAt)
{
    Bitmap picture = *Bitmap::Make(width, height, bits);
    if (bits == 4)
        for (int i = 0; i < 16; ++i)
            picture.ColourTable()[static_cast<std::size_t>(i)] = RgbQuad::FromRgb(16 * i, 255 - 16 * i, i);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colourAt(x, y);
            picture.SetRawPixel(x, y, bits == 24 ? (c & 0xFF00u) | (c >> 16) | ((c & 0xFFu) << 16) : c);
        }
    return picture;
}

// Every pixel decodes to the picture's own colour, or in black and white to the nearer of the two, and the PNG
// is of the kind its pixels call for. Odd widths catch the packing of bits and the last byte of a row.
TEST(PngEncoder, PixelsComeBackExactly)
{
    const auto grey = [](int x, int y) { return static_cast<std::uint32_t>((x * 31 + y * 17) % 256) * 0x010101u; };
    const auto many = [](int x, int y) { return static_cast<std::uint32_t>(x * 7919 + y * 104729) & 0xFFFFFFu; };
    const auto tinted = [](int x, int y) { return x % 3 == 0 ? 0x006400u : y % 2 ? 0xFFFFFFu : 0x80FF7Fu; };
    const struct { const char* what; Bitmap picture; PngPixels pixels; int bitDepth, colourType; } cases[] = {
        {"greys to black and white", Picture(13, 7, 24, grey), PngPixels::BlackAndWhite, 1, PNG_COLOR_TYPE_GRAY},
        {"green and tints to black and white", Picture(9, 3, 24, tinted), PngPixels::BlackAndWhite, 1,
         PNG_COLOR_TYPE_GRAY},
        {"256 greys", Picture(37, 11, 24, grey), PngPixels::Colour, 8, PNG_COLOR_TYPE_PALETTE},
        {"more than 256 colours", Picture(33, 17, 24, many), PngPixels::Colour, 8, PNG_COLOR_TYPE_RGB},
        {"a 4-bit picture", Picture(11, 5, 4, [](int x, int y) { return (x + y) % 16u; }), PngPixels::Colour, 8,
         PNG_COLOR_TYPE_PALETTE},
        {"one pixel", Picture(1, 1, 24, many), PngPixels::BlackAndWhite, 1, PNG_COLOR_TYPE_GRAY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto png = EncodePng(c.picture, c.pixels);
        ASSERT_TRUE(png) << png.Failure().message;
        const PngRead read(std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
        ASSERT_EQ(std::tuple(read.width, read.height, read.bitDepth, read.colourType),
                  std::tuple(c.picture.Width(), c.picture.Height(), c.bitDepth, c.colourType));
        int wrong = 0;
        for (int y = 0; y < read.height; ++y)
            for (int x = 0; x < read.width; ++x) {
                const RgbQuad colour = c.picture.Colour(x, y);
                std::uint32_t expected = static_cast<std::uint32_t>(colour.red << 16 | colour.green << 8 | colour.blue);
                if (c.pixels == PngPixels::BlackAndWhite) {
                    const int r = colour.red, g = colour.green, b = colour.blue;
                    const int dark = r * r + g * g + b * b;
                    const int light = (255 - r) * (255 - r) + (255 - g) * (255 - g) + (255 - b) * (255 - b);
                    expected = light < dark ? 0xFFFFFFu : 0;
                }
                wrong += read.At(x, y) != expected;
            }
        EXPECT_EQ(wrong, 0);
    }
}

} // namespace
