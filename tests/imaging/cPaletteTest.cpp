#include "TempDir.h"
#include "TestSurface.h"

#include <fstream>
#include <gtest/gtest.h>
#include <utility>

namespace {

cPalette Of(const RgbList& colours)
{
    cPalette p;
    for (const Rgb& c : colours)
        p.Add(static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]), static_cast<std::uint8_t>(c[2]));
    return p;
}



std::string LittleEndian32(std::uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

TEST(cPalette, FixedPalettesHoldTheirEntries)
{
    using Entries = std::vector<std::pair<int, Rgb>>;
    const struct { const char* name; void (cPalette::*make)(); int count; Entries entries; } cases[] = {
        {"16 colours", &cPalette::Create16Colour, 16,
         {{1, {0, 0, 0}}, {2, {128, 0, 0}}, {3, {0, 128, 0}}, {4, {128, 128, 0}}, {5, {0, 0, 128}},
          {6, {128, 0, 128}}, {7, {0, 128, 128}}, {8, {192, 192, 192}}, {9, {128, 128, 128}}, {10, {255, 0, 0}},
          {11, {0, 255, 0}}, {12, {255, 255, 0}}, {13, {0, 0, 255}}, {14, {255, 0, 255}}, {15, {0, 255, 255}},
          {16, {255, 255, 255}}}},
        // the fifth level is 255, not 256 (entry 5)
        {"half-tone", &cPalette::CreateHalfTone, 256,
         {{2, {64, 0, 0}}, {5, {255, 0, 0}}, {6, {0, 64, 0}}, {26, {0, 0, 64}}, {125, {255, 255, 255}},
          {126, {0, 0, 0}}}},
        // the cube skips the colours the 16 already hold, then come the greys
        {"web-safe", &cPalette::CreateWebSafe, 256,
         {{9, {51, 0, 0}}, {12, {204, 0, 0}}, {13, {0, 51, 0}}, {216, {204, 255, 255}}, {217, {8, 8, 8}},
          {247, {248, 248, 248}}, {248, {128, 128, 128}}, {256, {0, 0, 0}}}},
    };
    for (const auto& c : cases) {
        cPalette p;
        p.Add(1, 2, 3);  // a generator replaces what was there
        (p.*c.make)();
        ASSERT_EQ(p.Count(), c.count) << c.name;
        for (const auto& [entry, colour] : c.entries)
            EXPECT_EQ((Rgb{p.Red(entry), p.Green(entry), p.Blue(entry)}), colour) << c.name << " entry " << entry;
    }
}

TEST(cPalette, ClosestIndexFindsTheNearestEntry)
{
    cPalette sixteen, platform;
    sixteen.Create16Colour();
    platform.Create16Colour();
    platform.CreatehPalette();
    platform.Clear();
    platform.Add(100, 100, 100);
    const struct { const char* name; cPalette palette; Rgb colour; int expected; } cases[] = {
        {"tie keeps the lower entry", sixteen, {64, 0, 0}, 1},
        {"strictly closer later entry", sixteen, {250, 5, 5}, 10},
        {"opposite corner is no entry", Of({{255, 255, 255}}), {0, 0, 0}, 0},
        {"empty palette", cPalette{}, {5, 5, 5}, 0},
        {"exact match is the first copy", Of({{10, 10, 10}, {20, 20, 20}, {20, 20, 20}}), {20, 20, 20}, 2},
        // 100 away by channel sums against 120, although the second is nearer in straight-line distance
        {"distance sums channels", Of({{100, 0, 0}, {60, 60, 0}}), {0, 0, 0}, 1},
        {"a platform palette keeps its colours", platform, {100, 100, 100}, 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.palette.ClosestIndex(c.colour[0], c.colour[1], c.colour[2]), c.expected) << c.name;
    platform.ClearUp();  // back to the list
    EXPECT_EQ(platform.ClosestIndex(100, 100, 100), 1);
}

TEST(cPalette, EntryOutsideTheListRaisesSubscriptOutOfRange)
{
    cPalette mono, empty;
    mono.CreateMono();
    for (const auto& [palette, index] : {std::pair{&mono, 0}, std::pair{&mono, 3}, std::pair{&empty, 1}}) {
        EXPECT_EQ(NumberRaised([&] { palette->Red(index); }), 9) << "entry " << index;
        EXPECT_EQ(NumberRaised([&] { palette->Blue(index); }), 9) << "entry " << index;
    }
}

TEST(cPalette, JascFilesSaveExactlyAndLoadLinesOfThreeNumbers)
{
    TempDir dir;
    const std::string head = "JASC\r\n0100\r\n", bad = head + "3\r\n1 2 3\r\n", file = dir.Path("p.pal");
    WriteFileText(file, std::string(100, 'x'));  // an older, longer file is replaced, not overwritten in place
    cPalette mono;
    mono.CreateMono();
    ASSERT_TRUE(mono.SaveToJASCFile(file));
    EXPECT_EQ(ReadFileText(file), "JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255");
    EXPECT_EQ(NumberRaised([&] { mono.SaveToJASCFile(dir.Path("no-such-folder/p.pal")); }), 75);
    const struct { const char* name; std::string path, text; int error; RgbList colours; } cases[] = {
        {"as saved", file, "", 0, {{0, 0, 0}, {255, 255, 255}}},
        {"line feeds only", file, "JASC\n0100\n2\n0 0 0\n255 255 255", 0, {}},
        {"doubled blank", file, head + "2\r\n1  2 3\r\n4 5 6", 0, {{4, 5, 6}}},
        {"count not compared", file, head + "7\r\n1 2 3", 0, {{1, 2, 3}}},
        {"halves round to even", file, head + "1\r\n2.5 3.5 0.5", 0, {{2, 4, 0}}},
        // the list is emptied before the file is opened, and keeps the colours read before a bad one
        {"missing file", dir.Path("missing.pal"), "", 53, {}},
        {"a folder", dir.Root().string(), "", 75, {}},
        {"not a number", file, bad + "4 x 6\r\n7 8 9", 13, {{1, 2, 3}}},
        {"above 255", file, bad + "256 0 0\r\n7 8 9", 6, {{1, 2, 3}}},
        {"below 0", file, bad + "0 -1 0\r\n7 8 9", 6, {{1, 2, 3}}},
    };
    for (const auto& c : cases) {
        if (!c.text.empty())
            WriteFileText(c.path, c.text);
        cPalette p;
        p.CreateMono();
        const auto e = Raised([&] { EXPECT_TRUE(p.LoadFromJASCFile(c.path)) << c.name; });
        EXPECT_EQ(e ? e->Number() : 0, c.error) << c.name;
        EXPECT_TRUE(!e || e->Source().ends_with(".cPalette")) << c.name;
        EXPECT_EQ(Colours(p), c.colours) << c.name;
    }
}

TEST(cPalette, BinaryPalettesFollowOneAnother)
{
    TempDir dir;
    const std::string path = dir.Path("two.bin");
    const cPalette first = Of({{1, 2, 3}, {250, 251, 252}}), second = Of({{7, 8, 9}});
    WriteFileText(path, std::string(30, 'x'));  // at offset 0 the file is made afresh
    ASSERT_TRUE(first.Save(path));
    ASSERT_TRUE(second.Save(path, 12));
    EXPECT_EQ(ReadFileText(path), std::string("\x02\0\0\0\x01\x02\x03\0\xFA\xFB\xFC\0\x01\0\0\0\x07\x08\x09\0", 20));

    cPalette p;
    long position = -5;  // a position before the start reads from the start
    ASSERT_TRUE(p.Load(path, position));
    EXPECT_EQ(Colours(p), Colours(first));
    EXPECT_EQ(position, 12);
    ASSERT_TRUE(p.Load(path, position));
    EXPECT_EQ(Colours(p), Colours(second));
    EXPECT_EQ(position, 20);
    EXPECT_FALSE(p.Load(path, position));  // nothing after the second
    EXPECT_EQ(position, 20);
    EXPECT_EQ(Colours(p), Colours(second));
    // Saved further in, the bytes before and after the palette stay.
    ASSERT_TRUE(second.Save(path, 2));
    EXPECT_EQ(ReadFileText(path), std::string("\x02\0\x01\0\0\0\x07\x08\x09\0\xFC\0\x01\0\0\0\x07\x08\x09\0", 20));
    EXPECT_FALSE(second.Save(dir.Path("no-such-folder/p.bin"), 2));
}

TEST(cPalette, BinaryLoadRefusesBadBlocks)
{
    const std::string entry = std::string("\x0A\x0B\x0C\0", 4);
    std::string full4097 = LittleEndian32(4097);
    for (int i = 0; i < 4097; ++i)
        full4097 += entry;
    const Rgb kept{255, 255, 255}, fromFile{10, 11, 12};  // entry 2 of the mono palette, or of the file
    const struct { const char* name; std::string bytes; bool loaded; int count; Rgb second; long position; } cases[] = {
        {"missing file", "", false, 2, kept, 0},
        {"count 0", LittleEndian32(0) + entry, false, 2, kept, 0},
        {"count 4098", LittleEndian32(4098) + entry, false, 2, kept, 0},
        {"short count", std::string("\x01\0", 2), false, 2, kept, 0},
        {"entries cut short", LittleEndian32(3) + entry + entry, false, 3, fromFile, 0},
        {"count 4097", full4097, true, 4097, fromFile, 4 + 4 * 4097},
    };
    TempDir dir;
    for (const auto& c : cases) {
        if (!c.bytes.empty())
            WriteFileText(dir.Path("p.bin"), c.bytes);
        cPalette p;
        p.CreateMono();
        long position = 0;
        EXPECT_EQ(p.Load(dir.Path("p.bin"), position), c.loaded) << c.name;
        EXPECT_EQ(p.Count(), c.count) << c.name;
        EXPECT_EQ(position, c.position) << c.name;
        EXPECT_EQ(Colours(p)[1], c.second) << c.name;
    }
}

} // namespace
