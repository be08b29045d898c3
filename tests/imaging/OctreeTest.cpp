#include "TestSurface.h"
#include "imaging/AppError.h"
#include "imaging/cPalette.h"
#include "platform/HostHooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Rgb = std::array<int, 3>;

std::vector<Rgb> Colours(const cPalette& p)
{
    std::vector<Rgb> out;
    for (int i = 1; i <= p.Count(); ++i)
        out.push_back({p.Red(i), p.Green(i), p.Blue(i)});
    return out;
}

// A picture whose pixels are given in filing order: memory row 0 first, left to right.
std::unique_ptr<cDIBSection> Picture(int width, int height, const std::vector<Rgb>& pixels)
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

std::unique_ptr<cDIBSection> Uniform(int width, int height, Rgb c)
{
    return Picture(width, height, std::vector<Rgb>(static_cast<std::size_t>(width * height), c));
}

class ScriptedHost : public MessageHost {
public:
    explicit ScriptedHost(bool yes) : mYes(yes) { SetMessageHost(this); }
    ~ScriptedHost() override { SetMessageHost(nullptr); }
    void ShowMessage(const std::string& text, const std::string&) override { shown.push_back(text); }
    bool AskYesNo(const std::string& text, const std::string&) override
    {
        asked.push_back(text);
        return mYes;
    }
    std::vector<std::string> shown, asked;

private:
    bool mYes;
};

const Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

TEST(Octree, PaletteOfSmallPictures)
{
    const std::vector<Rgb> corners = {kBlack, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                                      {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, kWhite};
    const struct {
        const char* name;
        int width, height;
        std::vector<Rgb> pixels;
        int max, depth;
        std::vector<Rgb> colours;
    } cases[] = {
        {"uniform", 4, 3, std::vector<Rgb>(12, {10, 200, 30}), 236, 6, {{10, 200, 30}}},
        {"uniform, deepest tree", 4, 3, std::vector<Rgb>(12, {10, 200, 30}), 236, 8, {{10, 200, 30}}},
        {"black filed first", 2, 1, {kBlack, kWhite}, 236, 6, {kBlack, kWhite}},
        {"white filed first", 2, 1, {kWhite, kBlack}, 236, 6, {kWhite, kBlack}},
        {"bottom row is filed first", 1, 2, {kWhite, kBlack}, 236, 6, {kWhite, kBlack}},
        {"eight octants fit eight colours", 8, 1, corners, 8, 6, corners},
        // 10 and 11 share a leaf; 10.5 rounds to even
        {"leaf averages round to even", 2, 1, {{10, 10, 10}, {11, 11, 11}}, 236, 6, {{10, 10, 10}}},
        {"depth 1 makes octants the leaves", 2, 1, {kBlack, {100, 100, 100}}, 236, 1, {{50, 50, 50}}},
        {"merging sums the pixels", 3, 1, {kBlack, kBlack, {90, 90, 90}}, 1, 6, {{30, 30, 30}}},
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
        } catch (const AppError& e) {
            threw = true;
            EXPECT_EQ(e.Number(), ErrorNumber::kInvalidCall) << c.name;
        }
        EXPECT_EQ(threw, c.throws) << c.name;
        if (host) {
            EXPECT_EQ(host->asked.size(), c.questions) << c.name;
            for (const std::string& q : host->asked)
                EXPECT_EQ(q, "Error in reducing nodes") << c.name;
        }
        if (!c.throws) {
            EXPECT_EQ(p.Count(), 2) << c.name;
        }
    }
}

TEST(Octree, PaletteStaysWithinTheMaximumAndThePicturesColours)
{
    auto gradient = std::make_unique<cDIBSection>();
    ASSERT_TRUE(gradient->Create(64, 64));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            std::uint8_t* p = PixelAt(*gradient, x, y);
            p[0] = static_cast<std::uint8_t>(30 + x + y);
            p[1] = static_cast<std::uint8_t>(4 * y);
            p[2] = static_cast<std::uint8_t>(20 + 3 * x);
        }
    auto random = std::make_unique<cDIBSection>();
    ASSERT_TRUE(random->Create(50, 40));
    random->RandomiseBits();

    const struct { const char* name; const cDIBSection* picture; int max; } cases[] = {
        {"gradient, 16", gradient.get(), 16}, {"gradient, 236", gradient.get(), 236},
        {"random, 16", random.get(), 16},     {"random, 236", random.get(), 236},
    };
    for (const auto& c : cases) {
        Rgb low{255, 255, 255}, high{0, 0, 0};
        for (int y = 0; y < c.picture->Height(); ++y)
            for (int x = 0; x < c.picture->Width(); ++x) {
                const std::uint8_t* px = c.picture->DIBSectionBitsPtr() + y * c.picture->BytesPerScanLine() + 3 * x;
                for (int ch = 0; ch < 3; ++ch) {
                    low[ch] = std::min<int>(low[ch], px[2 - ch]);
                    high[ch] = std::max<int>(high[ch], px[2 - ch]);
                }
            }
        cPalette p;
        p.CreateOptimal(*c.picture, c.max, 6);
        EXPECT_GT(p.Count(), 1) << c.name;
        EXPECT_LE(p.Count(), c.max) << c.name;
        for (const Rgb& colour : Colours(p))
            for (int ch = 0; ch < 3; ++ch) {
                EXPECT_GE(colour[ch], low[ch]) << c.name << " channel " << ch;
                EXPECT_LE(colour[ch], high[ch]) << c.name << " channel " << ch;
            }
    }
}

TEST(Octree, ProgressReportsRowsThenLeafNodes)
{
    const struct { const char* name; std::vector<Rgb> pixels; int depth; std::vector<int> leaves; } cases[] = {
        {"one leaf at depth 6", std::vector<Rgb>(12, {10, 200, 30}), 6, {7}},  // root, five inner nodes, the leaf
        {"two leaves at depth 2", {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite,
                                   kBlack, kWhite}, 2, {3, 5}},
        {"octants as leaves", {kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite, kBlack, kWhite,
                               kBlack, kWhite}, 1, {2, 3}},
    };
    for (const auto& c : cases) {
        auto picture = Picture(3, 4, c.pixels);
        cPalette p;
        std::vector<int> init, progress, complete;
        p.Events.InitProgress = [&](int v) { init.push_back(v); };
        p.Events.Progress = [&](int v) { progress.push_back(v); };
        p.Events.Complete = [&](int v) { complete.push_back(v); };
        p.CreateOptimal(*picture, 236, c.depth);

        std::vector<int> expected = {0, 1, 2, 3};
        expected.insert(expected.end(), c.leaves.begin(), c.leaves.end());
        EXPECT_EQ(init, std::vector<int>{3 + 236}) << c.name;
        EXPECT_EQ(progress, expected) << c.name;
        ASSERT_EQ(complete.size(), 1u) << c.name;
        EXPECT_GE(complete[0], 0) << c.name;
    }
}

TEST(Octree, DepthOutsideOneToEightRaisesSubscriptOutOfRange)
{
    auto picture = Uniform(2, 2, {10, 200, 30});
    for (int depth : {0, 9, -1, 256}) {
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
    auto uniform = Uniform(3, 3, {10, 200, 30});
    for (bool erase : {false, true}) {
        cPalette p;
        p.CreateOptimal(*twoColours, 236, 6);
        if (erase) {
            p.EraseNodes();
            EXPECT_EQ(p.Count(), 2);  // the palette outlives its tree
        }
        p.CreateOptimal(*uniform, 236, 6);
        EXPECT_EQ(Colours(p), (std::vector<Rgb>{{10, 200, 30}})) << (erase ? "after EraseNodes" : "without");
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
    EXPECT_EQ(Colours(p), (std::vector<Rgb>{kWhite}));
}

} // namespace
