#include "TestSurface.h"
#include "imaging/cColourReduceDIB.h"
#include "imaging/cPalette.h"

#include <gtest/gtest.h>

namespace {

TEST(cColourReduceDIB, GrayScaleWeights)
{
    const struct { std::uint8_t b, g, r, grey; } cases[] = {
        {0, 0, 255, 57},    // 56.61
        {0, 255, 0, 180},   // 180.285
        {255, 0, 0, 18},    // 18.105
        {255, 255, 255, 255},
        {0, 0, 0, 0},
        {100, 0, 0, 7},     // 7.1
        {0, 0, 9, 2},       // 1.998
    };
    for (const auto& c : cases) {
        cDIBSection s;
        ASSERT_TRUE(s.Create(2, 2));
        Fill(s, c.b, c.g, c.r);
        cColourReduceDIB().GrayScale(s);
        const std::uint8_t* p = PixelAt(s, 1, 1);
        EXPECT_EQ(p[0], c.grey) << int(c.b) << "," << int(c.g) << "," << int(c.r);
        EXPECT_EQ(p[1], c.grey);
        EXPECT_EQ(p[2], c.grey);
    }
}

TEST(cColourReduceDIB, BlackAndWhiteOfUniformPictures)
{
    const struct { std::uint8_t value; int x, y; std::uint8_t expected; } cases[] = {
        {255, 3, 3, 255}, {0, 3, 3, 0},
        // Mid-grey: the first pixel is black with error 128 and its right neighbour gets 128 + 56 = 184, white.
        {128, 0, 0, 0}, {128, 1, 0, 255},
    };
    for (const auto& c : cases) {
        cDIBSection from, to;
        ASSERT_TRUE(from.Create(6, 5));
        ASSERT_TRUE(to.Create(6, 5));
        Fill(from, c.value, c.value, c.value);
        cColourReduceDIB().BlackAndWhite(from, to);
        EXPECT_EQ(PixelAt(to, c.x, c.y)[1], c.expected) << int(c.value) << " at " << c.x << "," << c.y;
        EXPECT_EQ(PixelAt(from, c.x, c.y)[2], c.expected) << "copied back";
    }
}

TEST(cColourReduceDIB, BlackAndWhiteDiffusionKernel)
{
    // A single 100 grey pixel at (1, 0) in a 4 × 3 picture of 0 spreads 7/16 to the right and
    // 3, 5 and 1 sixteenths into the next memory row, never into the first column.
    cDIBSection from, to;
    ASSERT_TRUE(from.Create(4, 3));
    ASSERT_TRUE(to.Create(4, 3));
    Fill(from, 0, 0, 0);
    std::uint8_t* p = PixelAt(from, 1, 0);
    p[0] = p[1] = p[2] = 100;
    cColourReduceDIB reducer;
    // Watch the working copy after the column of the grey pixel is done. The grey pass reports its columns
    // first, so the second report of column 3 is the black-and-white pass.
    std::vector<int> afterColumn1;
    int reportsOfColumn1 = 0;
    reducer.Events.Progress = [&](int x) {
        if (x == 3 && ++reportsOfColumn1 == 2)
            for (int y = 0; y < 3; ++y)
                for (int col = 0; col < 4; ++col)
                    afterColumn1.push_back(PixelAt(from, col, y)[0]);
    };
    reducer.BlackAndWhite(from, to);
    // Row 0: 700 / 16 = 43 to the right. Row 1: 500 / 16 = 31 above and 100 / 16 = 6 diagonally, nothing into
    // the first column; the 31 is then itself decided (black, error 31 > 16) and passes 13 right (6 + 13 = 19),
    // 9 above and 1 diagonally. Memory row 0 is the bottom row.
    const std::vector<int> expected = {0, 100, 43, 0, 0, 31, 19, 0, 0, 9, 1, 0};
    EXPECT_EQ(afterColumn1, expected);
    EXPECT_EQ(PixelAt(to, 1, 0)[0], 0);
}

TEST(cColourReduceDIB, OnePixelWidePictureGetsNoSideError)
{
    cDIBSection from, to;
    ASSERT_TRUE(from.Create(1, 4));
    ASSERT_TRUE(to.Create(1, 4));
    Fill(from, 100, 100, 100);
    cColourReduceDIB().BlackAndWhite(from, to);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(PixelAt(to, 0, y)[0], 0) << y;  // 100 stays 100 without received error: black
}

TEST(cColourReduceDIB, ApplyPaletteKeepsColoursThePaletteHolds)
{
    cPalette palette;
    palette.Create16Colour();
    cDIBSection from, to;
    ASSERT_TRUE(from.Create(5, 4));
    ASSERT_TRUE(to.Create(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const int i = 1 + (x + 5 * y) % 16;
            std::uint8_t* p = PixelAt(from, x, y);
            p[0] = palette.Blue(i), p[1] = palette.Green(i), p[2] = palette.Red(i);
        }
    const std::vector<std::uint8_t> before(from.DIBSectionBitsPtr(), from.DIBSectionBitsPtr() + 4 * 16);
    cColourReduceDIB().ApplyPalette(from, to, palette, true);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), to.DIBSectionBitsPtr()));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), from.DIBSectionBitsPtr()));
}

TEST(cColourReduceDIB, ApplyPaletteDiffusionOnMono)
{
    cPalette mono;
    mono.CreateMono();
    cDIBSection from, to;
    ASSERT_TRUE(from.Create(4, 2));
    ASSERT_TRUE(to.Create(4, 2));
    Fill(from, 100, 100, 100);
    cColourReduceDIB().ApplyPalette(from, to, mono, true);
    // Column 0 goes black and passes 43 right (143, white); column 1 passes -49 right and -28 straight down;
    // the last column receives nothing and stays black. Memory row 0 is the bottom row.
    const int expected[2][4] = {{0, 255, 0, 0}, {0, 0, 255, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(to, x, y)[0], expected[y][x]) << x << "," << y;
}

TEST(cColourReduceDIB, ProgressOncePerColumn)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(7, 3));
    cColourReduceDIB reducer;
    int announced = -1, calls = 0, last = -1, completes = 0;
    reducer.Events.InitProgress = [&](int v) { announced = v; };
    reducer.Events.Progress = [&](int v) { ++calls, last = v; };
    reducer.Events.Complete = [&](int ms) { completes += ms >= 0; };
    reducer.GrayScale(s);
    EXPECT_EQ(announced, 18);
    EXPECT_EQ(calls, 7);
    EXPECT_EQ(last, 18);
    EXPECT_EQ(completes, 1);
}

} // namespace
