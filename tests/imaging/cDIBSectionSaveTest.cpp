#include "TempDir.h"
#include "TestSurface.h"
#include "imaging/BmpFile.h"
#include "imaging/cDIBSectionSave.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Each depth and reduction gives a file of its header, colour table and padded rows, which reads back with
// its depth and table: black and white, the 16 colours in their order, the half-tone palette, or the optimal
// palette followed by black.
TEST(cDIBSectionSave, FileSizesAndColourTablesByDepth)
{
    TempDir dir;
    const std::string path = dir.Path("out.bmp");
    const struct { int width, height, depth, method; std::uintmax_t size; int bits, entry; Rgb colour; } cases[] = {
        {320, 240, 0, 0, 62 + 40 * 240, 1, 1, {255, 255, 255}},
        {320, 240, 1, 0, 118 + 160 * 240, 4, 1, {128, 0, 0}},
        {320, 240, 2, 0, 1078 + 320 * 240, 8, 5, {0, 64, 0}},
        {100, 3, 0, 2, 62 + 16 * 3, 1, 0, {0, 0, 0}},  // 100 bits round up to 128
        {33, 5, 1, 2, 118 + 20 * 5, 4, 15, {255, 255, 255}},
        {17, 9, 2, 2, 1078 + 20 * 9, 8, 255, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        cDIBSection s;
        s.CreateFromPicture(Pattern(c.width, c.height, 24));
        cDIBSectionSave writer;
        writer.ColourDepth(c.depth);
        writer.ReductionMethod(c.method);
        ASSERT_TRUE(writer.Convert(s) && writer.Save(path));
        EXPECT_EQ(std::filesystem::file_size(path), c.size) << c.width << "x" << c.height << " depth " << c.depth;
        const Bitmap back = ReadBitmapFile(path);
        EXPECT_EQ(back.BitsPerPixel(), c.bits);
        const RgbQuad entry = back.ColourTable()[static_cast<std::size_t>(c.entry)];
        EXPECT_EQ((Rgb{entry.red, entry.green, entry.blue}), c.colour) << "depth " << c.depth << " entry " << c.entry;
    }
}

// At 24 bits the surface is written as it is: the header, then its memory rows from the bottom one up.
TEST(cDIBSectionSave, TwentyFourBitsWriteTheSurfaceAsItIsOrFail)
{
    TempDir dir;
    cDIBSection s;
    s.CreateFromPicture(Pattern(5, 3, 24));
    const std::vector<std::uint8_t> before(s.DIBSectionBitsPtr(), s.DIBSectionBitsPtr() + 16 * 3);
    cDIBSectionSave writer;
    writer.ColourDepth(3);
    writer.ReductionMethod(2);
    ASSERT_TRUE(writer.Convert(s));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), s.DIBSectionBitsPtr()));
    ASSERT_TRUE(writer.Save(dir.Path("24.bmp")));
    const auto bytes = ReadFileBytes(dir.Path("24.bmp"));
    ASSERT_EQ(bytes.size(), 54u + before.size());
    // B M, file size, reserved, offset of the pixels; header size, width, height (bottom-up), planes, depth,
    // no compression, pixel bytes.
    const std::vector<std::uint8_t> header = {'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 5, 0,
                                              0, 0, 3, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 48, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 38), header);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes.begin() + 54));
    // A missing folder raises error 17; a device that is always full opens, but the writes fail.
    const auto e = Raised([&] { writer.Save("/nonexistent-folder/p.bmp"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(std::tuple(e->Number(), e->Source(), e->Description()),
              std::tuple(17, ExecutableName() + ".cDIBSection256", std::string("No such file or directory")));
    EXPECT_FALSE(writer.Save("/dev/full"));
}

// Without reduction each pixel becomes the nearer of black and white: grey 128 is white and 127 black. The
// surface takes the two-colour pixels back. 13 pixels: whole bytes and a part byte.
TEST(cDIBSectionSave, BlackAndWhiteMappingIsExactAndCopiesBack)
{
    TempDir dir;
    cDIBSection s;
    ASSERT_TRUE(s.Create(13, 4));
    const struct { int x, y; std::uint8_t blue, green, red; bool white; } set[] = {
        {3, 1, 255, 255, 255, true}, {5, 2, 0, 200, 0, false}, {6, 2, 128, 128, 128, true},
        {9, 3, 127, 127, 127, false}, {11, 0, 180, 180, 180, true}, {12, 3, 128, 128, 128, true},
    };
    for (const auto& c : set)
        PixelAt(s, c.x, c.y)[0] = c.blue, PixelAt(s, c.x, c.y)[1] = c.green, PixelAt(s, c.x, c.y)[2] = c.red;
    cDIBSectionSave writer;
    ASSERT_TRUE(writer.Convert(s) && writer.Save(dir.Path("bw.bmp")));
    const Bitmap back = ReadBitmapFile(dir.Path("bw.bmp"));
    EXPECT_TRUE(back.ColourTable()[0].SameColour({}) && back.ColourTable()[1].SameColour(RgbQuad::FromRgb(255, 255, 255)));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 13; ++x) {
            const bool white = std::ranges::any_of(set, [&](auto& c) { return c.x == x && c.y == y && c.white; });
            EXPECT_EQ(back.RawPixel(x, 3 - y), white ? 1u : 0u) << x << "," << y;  // memory row y is picture row 3 - y
            const std::uint8_t* p = PixelAt(s, x, y);
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2] && p[0] == (white ? 255 : 0)) << x << "," << y;
        }
}

TEST(cDIBSectionSave, SaveWithoutAMatchingTargetWritesNothing)
{
    TempDir dir;
    EXPECT_FALSE(cDIBSectionSave().Save(dir.Path("a.bmp")));
    cDIBSection s;
    ASSERT_TRUE(s.Create(4, 4));
    cDIBSectionSave changed;
    ASSERT_TRUE(changed.Convert(s));
    changed.ColourDepth(2);  // no 8-bit target was made
    EXPECT_FALSE(changed.Save(dir.Path("b.bmp")));
    changed.ColourDepth(7);
    EXPECT_FALSE(changed.Save(dir.Path("c.bmp")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Root()));
}

TEST(cDIBSectionSave, ReductionWithAGivenPalette)
{
    cDIBSection s;
    s.CreateFromPicture(Pattern(8, 8, 24));
    cDIBSectionSave writer;
    writer.ColourDepth(2);
    writer.ReductionMethod(1);
    EXPECT_EQ(NumberRaised([&] { writer.Convert(s); }), 91);  // no palette given
    auto palette = std::make_shared<cPalette>();
    palette->CreateMono();
    writer.Palette(palette);
    ASSERT_TRUE(writer.Convert(s));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_TRUE(PixelAt(s, x, y)[0] == 0 || PixelAt(s, x, y)[0] == 255) << x << "," << y;
}

} // namespace
