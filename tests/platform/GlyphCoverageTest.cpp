#include "platform/GlyphCoverage.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 11, kHeight = 3;  // rows end in part-filled bytes at 1, 2 and 4 bits

// The picture every case encodes: levels that 2-, 4- and 8-bit samples all hold exactly.
std::uint8_t Level(int x, int y)
{
    static constexpr std::uint8_t kLevels[] = {0, 85, 170, 255};
    return kLevels[(x * 7 + y * 3) % 4];
}

// The picture in a pixel mode, rows in the given flow, in a buffer of exactly rows × |pitch| bytes, so that
// AddressSanitizer sees any read past it.
struct Encoded {
    std::vector<std::uint8_t> bytes;
    FT_Bitmap bitmap{};
};

Encoded Encode(unsigned char mode, int rowBytes, bool upward, unsigned short grays = 256)
{
    const int samples = mode == FT_PIXEL_MODE_LCD ? 3 * kWidth : kWidth;
    const int rows = mode == FT_PIXEL_MODE_LCD_V ? 3 * kHeight : kHeight;
    Encoded e;
    e.bytes.assign(static_cast<std::size_t>(rowBytes) * rows, 0);
    for (int r = 0; r < rows; ++r) {
        std::uint8_t* row = e.bytes.data() + static_cast<std::size_t>(upward ? rows - 1 - r : r) * rowBytes;
        for (int s = 0; s < samples; ++s) {
            const std::uint8_t v = mode == FT_PIXEL_MODE_LCD   ? Level(s / 3, r)
                                   : mode == FT_PIXEL_MODE_LCD_V ? Level(s, r / 3)
                                                                 : Level(s, r);
            switch (mode) {
            case FT_PIXEL_MODE_MONO: row[s / 8] |= (v >= 128 ? 1 : 0) << (7 - s % 8); break;
            case FT_PIXEL_MODE_GRAY2: row[s / 4] |= (v / 85) << (6 - 2 * (s % 4)); break;
            case FT_PIXEL_MODE_GRAY4: row[s / 2] |= (v / 17) << (4 - 4 * (s % 2)); break;
            case FT_PIXEL_MODE_GRAY: row[s] = grays == 256 ? v : v / 85; break;
            case FT_PIXEL_MODE_BGRA: row[4 * s + 3] = v; break;  // black ink, premultiplied
            default: row[s] = v;
            }
        }
    }
    e.bitmap = {static_cast<unsigned>(rows), static_cast<unsigned>(samples), upward ? -rowBytes : rowBytes,
                e.bytes.data(), grays, mode, 0, nullptr};
    return e;
}

TEST(GlyphCoverage, EveryPixelModeInEitherFlowGivesThePicture)
{
    const struct { const char* name; unsigned char mode; int rowBytes; unsigned short grays; } cases[] = {
        {"1-bit", FT_PIXEL_MODE_MONO, 2, 2},      {"1-bit padded", FT_PIXEL_MODE_MONO, 4, 2},
        {"2-bit", FT_PIXEL_MODE_GRAY2, 3, 4},     {"4-bit", FT_PIXEL_MODE_GRAY4, 6, 16},
        {"8-bit", FT_PIXEL_MODE_GRAY, 11, 256},   {"8-bit of 4 levels", FT_PIXEL_MODE_GRAY, 12, 4},
        {"LCD", FT_PIXEL_MODE_LCD, 33, 256},      {"vertical LCD", FT_PIXEL_MODE_LCD_V, 11, 256},
        {"BGRA", FT_PIXEL_MODE_BGRA, 44, 256},
    };
    for (const auto& c : cases)
        for (const bool upward : {false, true})
            for (const CoverageLevels levels : {CoverageLevels::All, CoverageLevels::TwoLevel}) {
                GlyphCoverage out;
                ASSERT_TRUE(ToCoverage(Encode(c.mode, c.rowBytes, upward, c.grays).bitmap, levels, out)) << c.name;
                EXPECT_EQ(std::pair(out.width, out.height), std::pair(kWidth, kHeight)) << c.name;
                const bool twoLevel = c.mode == FT_PIXEL_MODE_MONO || levels == CoverageLevels::TwoLevel;
                std::vector<std::uint8_t> want;
                for (int y = 0; y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x)
                        want.push_back(twoLevel ? (Level(x, y) >= 128 ? 255 : 0) : Level(x, y));
                EXPECT_EQ(out.coverage, want) << c.name << (upward ? " upward" : "") << (twoLevel ? " two-level" : "");
            }
}

TEST(GlyphCoverage, RefusesWhatItCannotReadSafely)
{
    const struct { const char* name; unsigned char mode; int rowBytes; int pitch; bool ok; int width; } cases[] = {
        {"pitch shorter than a 1-bit row", FT_PIXEL_MODE_MONO, 2, 1, false, 0},
        {"pitch shorter than an 8-bit row", FT_PIXEL_MODE_GRAY, 11, -10, false, 0},
        {"unknown pixel mode", FT_PIXEL_MODE_NONE, 11, 11, false, 0},
        {"exact 8-bit row", FT_PIXEL_MODE_GRAY, 11, 11, true, kWidth},
    };
    for (const auto& c : cases) {
        Encoded e = Encode(c.mode == FT_PIXEL_MODE_NONE ? static_cast<unsigned char>(FT_PIXEL_MODE_GRAY) : c.mode, c.rowBytes, false);
        e.bitmap.pixel_mode = c.mode;
        e.bitmap.pitch = c.pitch;
        GlyphCoverage out;
        EXPECT_EQ(ToCoverage(e.bitmap, CoverageLevels::All, out), c.ok) << c.name;
        EXPECT_EQ(out.width, c.width) << c.name;
        EXPECT_EQ(out.coverage.size(), static_cast<std::size_t>(c.width * (c.ok ? kHeight : 0))) << c.name;
    }
}

} // namespace
