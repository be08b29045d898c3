#include "TestSurface.h"

#include <gtest/gtest.h>

namespace {

const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255}, kTeal{10, 200, 30};

TEST(Octree, PaletteOfSmallPictures)
{
    const RgbList corners = {kBlack, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                                      {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, kWhite};
    const struct { const char* name; int width, height; RgbList pixels; int max, depth; RgbList colours; } cases[] = {
        {"uniform, deepest tree", 4, 3, RgbList(12, kTeal), 236, 8, {kTeal}},
        {"white filed first", 2, 1, {kWhite, kBlack}, 236, 6, {kWhite, kBlack}},
        {"bottom row is filed first", 1, 2, {kWhite, kBlack}, 236, 6, {kWhite, kBlack}},
        {"eight octants fit eight colours", 8, 1, corners, 8, 6, corners},
        // 10 and 11 share a leaf; 10.5 rounds to even
        {"leaf averages round to even", 2, 1, {{10, 10, 10}, {11, 11, 11}}, 236, 6, {{10, 10, 10}}},
        {"depth 1 makes octants the leaves", 2, 1, {kBlack, {100, 100, 100}}, 236, 1, {{50, 50, 50}}},
        // (0 + 0 + 101) / 3 rounds to 34
        {"merging sums the pixels", 3, 1, {kBlack, kBlack, {101, 101, 101}}, 1, 6, {{34, 34, 34}}},
        // Both octants hold two leaves; the later listed one merges, its average 192.5 rounding to 192.
        {"most recently listed merges first", 4, 1, {kBlack, {100, 0, 0}, kWhite, {130, 255, 255}}, 3, 2,
         {kBlack, {100, 0, 0}, {192, 255, 255}}},
        // Black and (40, 0, 0) part only at the third level, so their node merges before any shallower one.
        {"deepest level merges first", 3, 1, {kBlack, {40, 0, 0}, kWhite}, 2, 3, {{20, 0, 0}, kWhite}},
    };
    for (const auto& c : cases) {
        auto picture = Picture(c.width, c.height, c.pixels);
        cPalette p;
        p.CreateOptimal(*picture, c.max, c.depth);
        EXPECT_EQ(Colours(p), c.colours) << c.name;
    }
}

TEST(Octree, TooFewColoursForTheOctantsAsksTheHost)
{
    // Black and white lie in two octants of the cube, which no merge can join into one colour.
    auto picture = Picture(2, 2, {kBlack, kWhite, kBlack, kWhite});
    const struct { const char* name; bool host, yes, throws; std::size_t questions; } cases[] = {
        {"answer No", true, false, true, 1},
        {"answer Yes asks at every later pixel", true, true, false, 3},
        {"no host", false, false, true, 0},
    };
    for (const auto& c : cases) {
        std::optional<RecordingHost> host;
        if (c.host)
            host.emplace(c.yes);
        cPalette p;
        const int raised = NumberRaised([&] { p.CreateOptimal(*picture, 1, 6); });
        EXPECT_EQ(raised, c.throws ? 5 : 0) << c.name;
        EXPECT_EQ(p.Count(), c.throws ? 0 : 2) << c.name;
        const std::vector<std::string> asked = host ? host->asked : std::vector<std::string>{};
        EXPECT_EQ(asked, std::vector<std::string>(c.questions, "Error in reducing nodes")) << c.name;
    }
}

// Far more colours than fit: the tree outgrows its first node slots and reuses merged ones.
TEST(Octree, PaletteStaysWithinTheMaximumAndThePicturesColours)
{
    RgbList pixels;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            pixels.push_back({20 + 3 * x, 4 * y, 30 + x + y});
    const Rgb low{20, 0, 30}, high{209, 252, 156};
    cPalette p;
    p.CreateOptimal(*Picture(64, 64, pixels), 236, 6);
    EXPECT_GT(p.Count(), 1);
    EXPECT_LE(p.Count(), 236);
    for (const Rgb& colour : Colours(p))
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_TRUE(low[ch] <= colour[ch] && colour[ch] <= high[ch]) << "channel " << ch << ": " << colour[ch];
}

TEST(Octree, ProgressReportsRowsThenLeafNodes)
{
    // Nodes are numbered as they are made: the root, black's box and leaf, then white's box and leaf.
    auto picture = Picture(3, 4, {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite,
                                  kBlack, kWhite});
    cPalette p;
    std::vector<int> events;
    p.Events.InitProgress = p.Events.Progress = [&](int v) { events.push_back(v); };
    p.Events.Complete = [&](int) { events.push_back(-1); };
    p.CreateOptimal(*picture, 236, 2);
    // 3 + 236 announced, the four rows, the leaves, then done.
    EXPECT_EQ(events, (std::vector<int>{239, 0, 1, 2, 3, 3, 5, -1}));
}

// A depth outside 1 to 8 raises error 9 and leaves the palette alone; every run starts a fresh tree.
TEST(Octree, EachRunStartsAFreshTree)
{
    auto twoColours = Picture(2, 1, {kBlack, kWhite});
    auto threeColours = Picture(3, 1, {kBlack, {40, 0, 0}, kWhite});
    for (bool erase : {false, true}) {
        cPalette p;
        p.CreateOptimal(*twoColours, 236, 6);
        if (erase)
            p.EraseNodes();
        for (int depth : {0, 9})
            EXPECT_EQ(NumberRaised([&] { p.CreateOptimal(*twoColours, 236, depth); }), 9) << "depth " << depth;
        EXPECT_EQ(p.Count(), 2);  // the palette outlives its tree
        // Nothing of the last tree is merged: not its nodes, nor its lists of nodes to merge.
        p.CreateOptimal(*threeColours, 2, 3);
        EXPECT_EQ(Colours(p), (RgbList{{20, 0, 0}, kWhite})) << (erase ? "after EraseNodes" : "without");
    }
}

TEST(Octree, LargeUniformPictureAveragesWithoutOverflow)
{
    // 9 million pixels of 255 pass 2^31 in one leaf's sums.
    cDIBSection picture;
    ASSERT_TRUE(picture.Create(3000, 3000));
    std::fill_n(picture.DIBSectionBitsPtr(), static_cast<std::size_t>(picture.BytesPerScanLine()) * 3000, 255);
    cPalette p;
    p.CreateOptimal(picture, 236, 6);
    EXPECT_EQ(Colours(p), (RgbList{kWhite}));
}

} // namespace
