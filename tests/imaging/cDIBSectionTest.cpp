#include "TestSurface.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(cDIBSection, CreateRefusesSizesThatCannotBeMadeAndClearUpKeepsTheSize)
{
    for (const auto& [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}, std::pair{40000, 2}}) {
        cDIBSection s;
        EXPECT_FALSE(s.Create(w, h)) << w << " x " << h;
        EXPECT_EQ(s.DIBSectionBitsPtr(), nullptr);
    }
    cDIBSection s;
    ASSERT_TRUE(s.Create(7, 3));
    s.ClearUp();
    EXPECT_EQ((std::tuple{s.Width(), s.Height(), s.hdc()}), (std::tuple{7, 3, nullptr}));
}

TEST(cDIBSection, ResampleBilinear)
{
    // Blue, green and red differ per source pixel to catch channel mix-ups.
    const auto s = Picture(2, 2, {{10, 6, 0}, {10, 0, 100}, {30, 0, 200}, {30, 0, 40}});
    const auto big = s->Resample(4, 4);
    ASSERT_TRUE(big);
    ASSERT_EQ(big->Width(), 4);
    // Scales are (2 - 1) / 4 = 0.25, so target (1, 1) weighs the four pixels with xF = yF = 0.25:
    // blue: left 0.75*0 + 0.25*200 = 50, right 0.75*100 + 0.25*40 = 85, then 0.75*50 + 0.25*85 = 58.75 -> 59.
    const struct { int x, y, channel, expected; } cases[] = {
        {1, 1, 0, 59},
        {0, 0, 0, 0},
        {0, 1, 1, 4},   // 0.75*6 + 0.25*0 = 4.5 rounds to the even 4
        {1, 1, 2, 15},  // 0.75*10 + 0.25*30 = 15 on both sides
        // The last target pixel stays short of the last source pixel: xS = yS = 0.75, so blue is
        // left 150, right 55, then 0.25*150 + 0.75*55 = 78.75 -> 79.
        {3, 3, 0, 79},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PixelAt(*big, c.x, c.y)[c.channel], c.expected) << c.x << "," << c.y << " channel " << c.channel;
    const auto same = s->Resample(2, 2);  // to its own size: an exact copy
    EXPECT_TRUE(std::ranges::equal(same->hdc()->Bits(), s->hdc()->Bits()));
    for (const auto& [w, h] : {std::pair{1, 4}, std::pair{4, 1}})  // no neighbourhood to weigh
        EXPECT_EQ(NumberRaised([&] { Picture(w, h, {})->Resample(3, 3); }), 9) << w << " x " << h;
}

TEST(cDIBSection, RandomPicturesAreGreysOrHaveNoBlue)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(17, 9));
    for (bool grey : {true, false}) {
        s.RandomiseBits(grey);
        std::set<int> greens;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 17; ++x) {
                const std::uint8_t* p = PixelAt(s, x, y);
                EXPECT_TRUE(grey ? p[0] == p[1] && p[1] == p[2] : p[0] == 0) << x << "," << y;
                greens.insert(p[1]);
            }
        EXPECT_GT(greens.size(), 1u);
    }
}

} // namespace
