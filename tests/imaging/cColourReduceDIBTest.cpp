#include "TestSurface.h"
#include "imaging/cColourReduceDIB.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TEST(cColourReduceDIB, GrayScaleWeights)
{
    // red 56.61, green 180.285, blue 18.105, 7.1, 1.998 and 43.512
    const struct { std::uint8_t b, g, r, grey; } cases[] = {
        {0, 0, 255, 57}, {0, 255, 0, 180}, {255, 0, 0, 18}, {255, 255, 255, 255},
        {100, 0, 0, 7}, {0, 0, 9, 2}, {0, 0, 196, 44},
    };
    for (const auto& c : cases) {
        const auto s = Picture(2, 2, RgbList(4, {c.r, c.g, c.b}));
        cColourReduceDIB().GrayScale(*s);
        const std::uint8_t* p = PixelAt(*s, 1, 1);
        EXPECT_TRUE(p[0] == c.grey && p[1] == c.grey && p[2] == c.grey) << int(c.b) << "," << int(c.g) << "," << int(c.r);
    }
}

// A source surface of one grey and a target of its size.
void Surfaces(cDIBSection& from, cDIBSection& to, int width, int height, std::uint8_t grey)
{
    ASSERT_TRUE(from.Create(width, height));
    ASSERT_TRUE(to.Create(width, height));
    Fill(from, grey, grey, grey);
}

TEST(cColourReduceDIB, BlackAndWhiteOfUniformPictures)
{
    const struct { std::uint8_t value; int width, x, y; std::uint8_t expected; } cases[] = {
        {255, 6, 3, 3, 255}, {0, 6, 3, 3, 0},
        // Mid-grey: the first pixel is black with error 128 and its right neighbour gets 128 + 56 = 184, white.
        {128, 6, 0, 0, 0}, {128, 6, 1, 0, 255},
        // One pixel wide: no neighbour passes error, so 100 stays black all the way up.
        {100, 1, 0, 3, 0},
    };
    for (const auto& c : cases) {
        cDIBSection from, to;
        Surfaces(from, to, c.width, 5, c.value);
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
    Surfaces(from, to, 4, 3, 0);
    std::uint8_t* p = PixelAt(from, 1, 0);
    p[0] = p[1] = p[2] = 100;
    cColourReduceDIB reducer;
    // Watch the working copy after the column of the grey pixel is done. The grey pass reports its columns
    // first, so the second report of column 3 is the black-and-white pass.
    std::vector<int> afterColumn1, inits, reports;
    int completes = 0;
    reducer.Events.InitProgress = [&](int v) { inits.push_back(v); };
    reducer.Events.Complete = [&](int ms) { completes += ms >= 0; };
    reducer.Events.Progress = [&](int x) {
        reports.push_back(x);
        if (x == 3 && std::ranges::count(reports, 3) == 2)
            for (int y = 0; y < 3; ++y)
                for (int col = 0; col < 4; ++col)
                    afterColumn1.push_back(PixelAt(from, col, y)[0]);
    };
    reducer.BlackAndWhite(from, to);
    // Each pass announces its last byte column, reports each column once and completes once.
    EXPECT_EQ(inits, (std::vector<int>{9, 9}));
    EXPECT_EQ(reports, (std::vector<int>{0, 3, 6, 9, 0, 3, 6, 9}));
    EXPECT_EQ(completes, 2);
    // Row 0: 700 / 16 = 43 to the right. Row 1: 500 / 16 = 31 above and 100 / 16 = 6 diagonally, nothing into
    // the first column; the 31 is then itself decided (black, error 31 > 16) and passes 13 right (6 + 13 = 19),
    // 9 above and 1 diagonally. Memory row 0 is the bottom row.
    const std::vector<int> expected = {0, 100, 43, 0, 0, 31, 19, 0, 0, 9, 1, 0};
    EXPECT_EQ(afterColumn1, expected);
    EXPECT_EQ(PixelAt(to, 1, 0)[0], 0);
}

TEST(cColourReduceDIB, ApplyPaletteKeepsColoursThePaletteHoldsAndDiffusesTheRest)
{
    cPalette palette;
    palette.Create16Colour();
    RgbList pixels;
    for (int i = 0; i < 20; ++i)
        pixels.push_back(Colours(palette)[static_cast<std::size_t>(i % 16)]);
    auto from = Picture(5, 4, pixels);
    cDIBSection to;
    ASSERT_TRUE(to.Create(5, 4));
    const std::vector<std::uint8_t> before(from->DIBSectionBitsPtr(), from->DIBSectionBitsPtr() + 4 * 16);
    cColourReduceDIB().ApplyPalette(*from, to, palette, true);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), to.DIBSectionBitsPtr()));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), from->DIBSectionBitsPtr()));

    palette.CreateMono();
    Surfaces(*from, to, 4, 2, 100);
    cColourReduceDIB().ApplyPalette(*from, to, palette, true);
    // Column 0 goes black and passes 43 right (143, white); column 1 passes -49 right and -28 straight down;
    // the last column receives nothing and stays black. Memory row 0 is the bottom row.
    const int expected[2][4] = {{0, 255, 0, 0}, {0, 0, 255, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(to, x, y)[0], expected[y][x]) << x << "," << y;
}

} // namespace
