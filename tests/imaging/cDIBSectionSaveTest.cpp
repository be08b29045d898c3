#include "TempDir.h"
#include "TestSurface.h"
#include "imaging/BmpFile.h"
#include "imaging/cDIBSectionSave.h"
#include "imaging/cPalette.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

void Gradient(cDIBSection& s)
{
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            std::uint8_t* p = PixelAt(s, x, y);
            p[0] = static_cast<std::uint8_t>(x * 255 / s.Width());
            p[1] = static_cast<std::uint8_t>(y * 255 / s.Height());
            p[2] = static_cast<std::uint8_t>((x * y) % 256);
        }
}

TEST(cDIBSectionSave, FileSizesByDepth)
{
    TempDir dir;
    const struct { int width, height, depth, method; std::uintmax_t size; int bits; } cases[] = {
        {320, 240, 0, 0, 9662, 1},        // 62 + 40 × 240
        {320, 240, 1, 0, 38518, 4},       // 118 + 160 × 240
        {320, 240, 2, 0, 77878, 8},       // 1078 + 320 × 240
        {320, 240, 3, 0, 230454, 24},     // 54 + 960 × 240
        {100, 3, 0, 0, 62 + 16 * 3, 1},   // 100 bits round up to 128
        {24, 3, 0, 0, 62 + 4 * 3, 1},
        {320, 240, 0, 2, 9662, 1},
        {33, 5, 1, 2, 118 + 20 * 5, 4},
        {17, 9, 2, 2, 1078 + 20 * 9, 8},
    };
    for (const auto& c : cases) {
        cDIBSection s;
        ASSERT_TRUE(s.Create(c.width, c.height));
        Gradient(s);
        cDIBSectionSave writer;
        writer.ColourDepth(c.depth);
        writer.ReductionMethod(c.method);
        ASSERT_TRUE(writer.Convert(s));
        const std::string path = dir.Path("out.bmp");
        ASSERT_TRUE(writer.Save(path));
        EXPECT_EQ(std::filesystem::file_size(path), c.size) << c.width << "x" << c.height << " depth " << c.depth;
        const Bitmap back = ReadBitmapFile(path);
        EXPECT_EQ(back.BitsPerPixel(), c.bits);
        EXPECT_EQ(back.Width(), c.width);
        EXPECT_EQ(back.Height(), c.height);
    }
}

TEST(cDIBSectionSave, BlackAndWhiteMappingKeepsPureColoursAndCopiesBack)
{
    TempDir dir;
    cDIBSection s;
    ASSERT_TRUE(s.Create(16, 4));
    Gradient(s);
    Fill(s, 0, 0, 0);
    PixelAt(s, 3, 1)[0] = PixelAt(s, 3, 1)[1] = PixelAt(s, 3, 1)[2] = 255;
    PixelAt(s, 5, 2)[1] = 200;  // a green that is nearer black than white
    PixelAt(s, 6, 2)[0] = PixelAt(s, 6, 2)[1] = PixelAt(s, 6, 2)[2] = 180;
    cDIBSectionSave writer;
    ASSERT_TRUE(writer.Convert(s));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint8_t* p = PixelAt(s, x, y);
            const bool white = (x == 3 && y == 1) || (x == 6 && y == 2);
            EXPECT_EQ(p[0], white ? 255 : 0) << x << "," << y;
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
        }
    ASSERT_TRUE(writer.Save(dir.Path("bw.bmp")));
    const Bitmap back = ReadBitmapFile(dir.Path("bw.bmp"));
    EXPECT_EQ(back.RawPixel(3, 4 - 1 - 1), 1u);  // memory row 1 is picture row 2 of 4
    EXPECT_EQ(back.RawPixel(0, 0), 0u);
    EXPECT_TRUE(back.ColourTable()[0].SameColour(RgbQuad::FromRgb(0, 0, 0)));
    EXPECT_TRUE(back.ColourTable()[1].SameColour(RgbQuad::FromRgb(255, 255, 255)));
}

TEST(cDIBSectionSave, ColourTablesOfFourAndEightBits)
{
    TempDir dir;
    cDIBSection s;
    ASSERT_TRUE(s.Create(4, 4));
    Gradient(s);
    cPalette standard;
    standard.Create16Colour();

    cDIBSectionSave four;
    four.ColourDepth(1);
    ASSERT_TRUE(four.Convert(s));
    ASSERT_TRUE(four.Save(dir.Path("4.bmp")));
    const Bitmap back4 = ReadBitmapFile(dir.Path("4.bmp"));
    for (int i = 1; i <= 16; ++i)
        EXPECT_TRUE(back4.ColourTable()[static_cast<std::size_t>(i - 1)].SameColour(
            RgbQuad::FromRgb(standard.Red(i), standard.Green(i), standard.Blue(i)))) << i;

    cDIBSectionSave eight;
    eight.ColourDepth(2);
    EXPECT_EQ(eight.Palette(), nullptr);
    ASSERT_TRUE(eight.Convert(s));
    ASSERT_NE(eight.Palette(), nullptr);  // the half-tone palette stays set
    EXPECT_EQ(eight.Palette()->Count(), 256);
    EXPECT_EQ(eight.Palette()->Red(2), 64);
    ASSERT_TRUE(eight.Save(dir.Path("8.bmp")));
    EXPECT_TRUE(ReadBitmapFile(dir.Path("8.bmp")).ColourTable()[5].SameColour(RgbQuad::FromRgb(0, 64, 0)));
}

TEST(cDIBSectionSave, TwentyFourBitsLeaveTheSurfaceAlone)
{
    TempDir dir;
    cDIBSection s;
    ASSERT_TRUE(s.Create(5, 3));
    Gradient(s);
    const std::vector<std::uint8_t> before(s.DIBSectionBitsPtr(), s.DIBSectionBitsPtr() + 16 * 3);
    cDIBSectionSave writer;
    writer.ColourDepth(3);
    writer.ReductionMethod(2);
    ASSERT_TRUE(writer.Convert(s));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), s.DIBSectionBitsPtr()));
    ASSERT_TRUE(writer.Save(dir.Path("24.bmp")));
    const auto bytes = ReadFileBytes(dir.Path("24.bmp"));
    ASSERT_EQ(bytes.size(), 54u + before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes.begin() + 54));
}

TEST(cDIBSectionSave, SaveWithoutAMatchingTargetWritesNothing)
{
    TempDir dir;
    cDIBSectionSave fresh;
    EXPECT_FALSE(fresh.Save(dir.Path("a.bmp")));
    cDIBSection s;
    ASSERT_TRUE(s.Create(4, 4));
    cDIBSectionSave changed;
    ASSERT_TRUE(changed.Convert(s));
    changed.ColourDepth(2);  // no 8-bit target was made
    EXPECT_FALSE(changed.Save(dir.Path("b.bmp")));
    changed.ColourDepth(7);
    EXPECT_FALSE(changed.Save(dir.Path("c.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("a.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("b.bmp")));
}

TEST(cDIBSectionSave, ReductionWithAGivenPalette)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(8, 8));
    Gradient(s);
    auto palette = std::make_shared<cPalette>();
    palette->CreateMono();
    cDIBSectionSave writer;
    writer.ColourDepth(2);
    writer.ReductionMethod(1);
    writer.Palette(palette);
    ASSERT_TRUE(writer.Convert(s));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t v = PixelAt(s, x, y)[0];
            EXPECT_TRUE(v == 0 || v == 255) << x << "," << y;
        }
}

} // namespace
