#include "TestSurface.h"
#include "imaging/Bitmap.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

// Rows hold whole 32-bit words; the 24-bit surface's rows must agree with the bitmap's.
TEST(Bitmap, StrideRoundsBitsUpToWholeDwords)
{
    const struct { int width, bits, stride; } cases[] = {
        {1, 1, 4}, {33, 1, 8}, {100, 1, 16}, {7, 4, 4}, {9, 4, 8}, {5, 8, 8}, {1, 24, 4}, {4, 24, 12}, {5, 24, 16},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bitmap::StrideFor(c.width, c.bits), c.stride) << c.width << " at " << c.bits << " bits";
        EXPECT_TRUE(c.bits != 24 || Picture(c.width, 1, {})->BytesPerScanLine() == c.stride) << "surface " << c.width;
    }
}

// Into 24 bits each pixel takes its colour; back into its depth with the same table, each finds its own entry.
// 13 pixels fill whole bytes and part of one.
TEST(Bitmap, BlockCopyConvertsBetweenDepths)
{
    for (int bits : {1, 4, 8}) {
        const Bitmap indexed = Pattern(13, 3, bits);
        Bitmap colour = *Bitmap::Make(13, 3, 24), back = *Bitmap::Make(13, 3, bits);
        std::ranges::copy(indexed.ColourTable(), back.ColourTable().begin());
        BitBlt(colour, 0, 0, 13, 3, indexed, 0, 0);
        BitBlt(back, 0, 0, 13, 3, colour, 0, 0);
        EXPECT_TRUE(std::ranges::equal(back.Bits(), indexed.Bits())) << bits << " bits";
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_TRUE(colour.Colour(x, y).SameColour(indexed.Colour(x, y))) << bits << " bits at " << x << "," << y;
    }
}

TEST(Bitmap, NearestColourIndexMapsTableColoursOntoThemselves)
{
    const RgbQuad table[] = {RgbQuad::FromRgb(0, 0, 0), RgbQuad::FromRgb(255, 255, 255), RgbQuad::FromRgb(255, 0, 0),
                             RgbQuad::FromRgb(255, 0, 0)};
    const struct { int r, g, b, index; } cases[] = {
        {0, 0, 0, 0}, {255, 255, 255, 1}, {255, 0, 0, 2},  // a duplicate colour answers its first entry
        {128, 128, 128, 1},                                // 3 × 127² beats 3 × 128²
        {127, 127, 127, 0}, {200, 30, 30, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NearestColourIndex(table, c.r, c.g, c.b), c.index) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(NearestColourIndex({}, 1, 2, 3), -1);
}

TEST(Bitmap, BlockCopyClipsToBothBitmapsAndReadsTheOriginal)
{
    Bitmap src = *Bitmap::Make(3, 3, 8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            src.SetRawPixel(x, y, static_cast<std::uint32_t>(10 * y + x + 1));
    const struct { int dx, dy, w, h, sx, sy, probeX, probeY; std::uint32_t expected; } cases[] = {
        {0, 0, 3, 3, 0, 0, 2, 2, 23},
        {1, 1, 10, 10, 0, 0, 3, 3, 23},   // far past both edges
        {-1, -1, 3, 3, 0, 0, 0, 0, 12},   // negative destination shifts the source
        {0, 0, 2, 2, -1, 0, 1, 0, 1},     // negative source shifts the destination
        {3, 3, 5, 5, 0, 0, 3, 3, 1},
    };
    for (const auto& c : cases) {
        Bitmap dst = *Bitmap::Make(4, 4, 8);
        BitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy);
        EXPECT_EQ(dst.RawPixel(c.probeX, c.probeY), c.expected) << c.dx << "," << c.dy << " from " << c.sx << "," << c.sy;
    }
    // Within one bitmap the copy reads the original pixels, not the ones it has just written.
    Bitmap packed = Pattern(5, 1, 4);
    BitBlt(packed, 1, 0, 4, 1, packed, 0, 0);
    for (int x = 1; x < 5; ++x)
        EXPECT_EQ(packed.RawPixel(x, 0), Pattern(5, 1, 4).RawPixel(x - 1, 0)) << x;
}

// Release builds too: a pixel or row outside the bitmap stops the program instead of touching other memory.
TEST(BitmapDeathTest, AccessOutsideTheBitmapStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Bitmap b = *Bitmap::Make(5, 3, 4);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"x past the width", [&] { b.RawPixel(5, 0); }},      {"negative x", [&] { b.SetRawPixel(-1, 2, 1); }},
        {"y past the height", [&] { b.Colour(4, 3); }},       {"negative y", [&] { b.RawPixel(0, -1); }},
        {"memory row past the top", [&] { b.MemoryRow(3); }},
        {"negative memory row", [&] { std::as_const(b).MemoryRow(-1); }},
    };
    for (const auto& [what, access] : cases)
        EXPECT_DEATH(access(), "verification failed") << what;
}

} // namespace
