#include "TestSurface.h"
#include "base/AppError.h"
#include "imaging/cPalette.h"
#include "base/HostHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

using Rgb = std::array<int, 3>;
using RgbList = std::vector<Rgb>;

RgbList Colours(const cPalette& p)
{
    RgbList out;
    for (int i = 1; i <= p.Count(); ++i)
        out.push_back({p.Red(i), p.Green(i), p.Blue(i)});
    return out;
}

// A picture whose pixels are given in filing order: memory row 0 first, left to right.
std::unique_ptr<cDIBSection> Picture(int width, int height, const RgbList& pixels)
{
    auto s = std::make_unique<cDIBSection>();
    EXPECT_TRUE(s->Create(width, height));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        std::uint8_t* p = PixelAt(*s, static_cast<int>(i) % width, static_cast<int>(i) / width);
        p[0] = static_cast<std::uint8_t>(pixels[i][2]);
        p[1] = static_cast<std::uint8_t>(pixels[i][1]);
        p[2] = static_cast<std::uint8_t>(pixels[i][0]);
    }
    return s;
}

struct ScriptedHost : MessageHost {
    explicit ScriptedHost(bool answer) : yes(answer) { SetMessageHost(this); }
    ~ScriptedHost() override { SetMessageHost(nullptr); }
    void ShowMessage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string& text, const std::string&) override
    {
        asked.push_back(text);
        return yes;
    }
    bool yes;
    std::vector<std::string> asked;
};

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
        std::unique_ptr<ScriptedHost> host = c.host ? std::make_unique<ScriptedHost>(c.yes) : nullptr;
        cPalette p;
        bool threw = false;
        try {
            p.CreateOptimal(*picture, 1, 6);
            EXPECT_EQ(p.Count(), 2) << c.name;
        } catch (const AppError& e) {
            threw = true;
            EXPECT_EQ(e.Number(), ErrorNumber::kInvalidCall) << c.name;
        }
        EXPECT_EQ(threw, c.throws) << c.name;
        if (host) {
            EXPECT_EQ(host->asked, std::vector<std::string>(c.questions, "Error in reducing nodes")) << c.name;
        }
    }
}

TEST(Octree, PaletteStaysWithinTheMaximumAndThePicturesColours)
{
    cDIBSection gradient;
    ASSERT_TRUE(gradient.Create(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = PixelAt(gradient, x, y);
            p[0] = static_cast<std::uint8_t>(30 + x + y);
            p[1] = static_cast<std::uint8_t>(4 * y);
            p[2] = static_cast<std::uint8_t>(20 + 3 * x);
        }
    const Rgb low{20, 0, 30}, high{209, 252, 156};
    cPalette p;
    p.CreateOptimal(gradient, 236, 6);
    EXPECT_GT(p.Count(), 1);
    EXPECT_LE(p.Count(), 236);
    for (const Rgb& colour : Colours(p))
        for (int ch = 0; ch < 3; ++ch) {
            EXPECT_GE(colour[ch], low[ch]) << "channel " << ch;
            EXPECT_LE(colour[ch], high[ch]) << "channel " << ch;
        }
}

TEST(Octree, ProgressReportsRowsThenLeafNodes)
{
    // Nodes are numbered as they are made: the root, black's box and leaf, then white's box and leaf.
    auto picture = Picture(3, 4, {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite,
                                  kBlack, kWhite});
    cPalette p;
    std::vector<int> init, progress;
    int completions = 0;
    p.Events.InitProgress = [&](int v) { init.push_back(v); };
    p.Events.Progress = [&](int v) { progress.push_back(v); };
    p.Events.Complete = [&](int) { ++completions; };
    p.CreateOptimal(*picture, 236, 2);
    EXPECT_EQ(init, std::vector<int>{3 + 236});
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 3, 5}));  // the four rows, then the leaves
    EXPECT_EQ(completions, 1);
}

TEST(Octree, DepthOutsideOneToEightRaisesSubscriptOutOfRange)
{
    auto picture = Picture(1, 1, {kTeal});
    for (int depth : {0, 9}) {
        cPalette p;
        p.CreateMono();
        try {
            p.CreateOptimal(*picture, 236, depth);
            ADD_FAILURE() << "depth " << depth << " did not raise";
        } catch (const AppError& e) {
            EXPECT_EQ(e.Number(), ErrorNumber::kSubscriptOutOfRange) << "depth " << depth;
        }
        EXPECT_EQ(p.Count(), 2) << "depth " << depth;
    }
}

TEST(Octree, EachRunStartsAFreshTree)
{
    auto twoColours = Picture(2, 1, {kBlack, kWhite});
    auto uniform = Picture(1, 1, {kTeal});
    for (bool erase : {false, true}) {
        cPalette p;
        p.CreateOptimal(*twoColours, 236, 6);
        if (erase) {
            p.EraseNodes();
            EXPECT_EQ(p.Count(), 2);  // the palette outlives its tree
        }
        p.CreateOptimal(*uniform, 236, 6);
        EXPECT_EQ(Colours(p), (RgbList{kTeal})) << (erase ? "after EraseNodes" : "without");
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
