#include "TempDir.h"
#include "TestSurface.h"
#include "imaging/BmpFile.h"

#include <array>
#include <gtest/gtest.h>
#include <random>

namespace {

std::vector<std::uint8_t> Encode(const Bitmap& b)
{
    const auto header = MakeInfoHeader(b.Width(), b.Height(), b.BitsPerPixel());
    auto bytes = InfoRecordBytes(header, b.ColourTable());
    const auto offBits = static_cast<std::uint32_t>(kFileHeaderBytes + bytes.size());
    auto file = FileHeaderBytes(offBits + header.biSizeImage, offBits);
    file.insert(file.end(), bytes.begin(), bytes.end());
    file.insert(file.end(), b.Bits().begin(), b.Bits().end());
    return file;
}

// The writer's files read back with their size, depth, colour table and pixels, with and without row padding.
TEST(BmpFile, EveryDepthRoundTripsThroughAFile)
{
    TempDir dir;
    for (int bits : {1, 4, 8, 24})
        for (const auto& [w, h] : {std::pair{1, 1}, std::pair{5, 3}, std::pair{33, 2}}) {
            const Bitmap original = Pattern(w, h, bits);
            ASSERT_TRUE(SaveBitmap(dir.Path("a.bmp"), original));
            EXPECT_EQ(Encode(ReadBitmapFile(dir.Path("a.bmp"))), Encode(original)) << bits << " bits, " << w << " wide";
        }
    EXPECT_EQ(NumberRaised([&] { ReadBitmapFile(dir.Path("missing.bmp")); }), 53);
    EXPECT_EQ(NumberRaised([&] { ReadBitmapFile(dir.Root().string()); }), 75);  // a folder opens but cannot be read
}

TEST(BmpFile, BadFilesAreRefusedWithTheReason)
{
    const auto valid = Encode(Pattern(6, 5, 4));
    const struct { const char* what; std::size_t at; std::uint32_t value; const char* reason; } cases[] = {
        {"not BM", 0, 0x00004D58, "not a BMP"},         {"header size", 14, 64, "header size"},
        {"zero width", 18, 0, "size"},                  {"huge width", 18, 0x7FFFFFFF, "size"},
        {"depth 16", 28, 16, "depth"},                  {"compressed", 30, 2, "compressed"},
        {"too many colours", 46, 17, "colour table"},   {"offset past end", 10, 100000, "does not fit"},
        {"height beyond the data", 22, 500, "does not fit"},
    };
    for (const auto& c : cases) {
        auto bytes = valid;
        for (int i = 0; i < 4; ++i)
            bytes[c.at + i] = static_cast<std::uint8_t>(c.value >> (8 * i));
        const auto e = Raised([&] { DecodeBitmap(bytes); });
        ASSERT_TRUE(e) << c.what << " was accepted";
        EXPECT_EQ(e->Number(), 481) << c.what;
        EXPECT_NE(e->Description().find(c.reason), std::string::npos) << c.what << ": " << e->Description();
    }
}

// Files other programs wrote (tests/data/README.md says how): every header kind, depth, colour-table length and
// row order among them is read with its size, depth and colours; what the reader leaves out is refused with
// the reason.
TEST(BmpFile, ReadsFilesOtherProgramsWrote)
{
    struct Probe { int x, y; RgbQuad colour; };
    using Probes = std::array<Probe, 3>;
    const RgbQuad black{}, white = RgbQuad::FromRgb(255, 255, 255), grey30 = RgbQuad::FromRgb(30, 30, 30);
    const Probes twoColours{{{0, 0, black}, {6, 0, white}, {6, 4, black}}};
    const Probes fiveColours{{{0, 0, RgbQuad::FromRgb(255, 0, 0)}, {6, 0, RgbQuad::FromRgb(0, 255, 0)},
                              {0, 4, RgbQuad::FromRgb(0, 0, 255)}}};
    const Probes ramp{{{0, 0, RgbQuad::FromRgb(0, 0, 128)}, {6, 0, RgbQuad::FromRgb(255, 0, 128)},
                       {0, 4, RgbQuad::FromRgb(0, 255, 128)}}};
    const Probes greys{{{0, 0, black}, {6, 0, grey30}, {0, 4, RgbQuad::FromRgb(160, 160, 160)}}};
    const struct { const char* file; int bits; Probes probes; } cases[] = {
        {"im-1bit-v4.bmp", 1, twoColours},          {"im-1bit-core.bmp", 1, twoColours},
        {"im-4bit-v5.bmp", 4, fiveColours},         {"im-4bit-info.bmp", 4, fiveColours},
        {"im-8bit-v5.bmp", 8, ramp},                {"im-24bit-v5.bmp", 24, ramp},
        {"pil-1bit.bmp", 1, twoColours},            {"pil-8bit-grey.bmp", 8, greys},
        {"pil-8bit-5colours.bmp", 8, fiveColours},  {"pil-24bit.bmp", 24, ramp},
        {"java-1bit-top-down.bmp", 1, twoColours},  {"java-4bit-top-down.bmp", 4, fiveColours},
        {"java-8bit-top-down.bmp", 8, ramp},        {"java-24bit-top-down.bmp", 24, ramp},
    };
    const std::string data = std::string(LEAFCAST_TEST_DATA) + "/";
    for (const auto& c : cases) {
        const Bitmap read = ReadBitmapFile(data + c.file);
        EXPECT_EQ(read.Width(), 7) << c.file;
        EXPECT_EQ(read.Height(), 5) << c.file;
        EXPECT_EQ(read.BitsPerPixel(), c.bits) << c.file;
        for (const Probe& p : c.probes)
            EXPECT_TRUE(read.Colour(p.x, p.y).SameColour(p.colour)) << c.file << " pixel " << p.x << "," << p.y;
    }
    for (const auto& [file, reason] : {std::pair{"im-8bit-rle8.bmp", "compressed bitmaps are not supported"},
                                       std::pair{"im-32bit-bitfields.bmp", "unsupported depth of 32 bits"}}) {
        const auto e = Raised([&] { ReadBitmapFile(data + file); });
        ASSERT_TRUE(e) << file << " was accepted";
        EXPECT_EQ(e->Number(), 481) << file;
        EXPECT_NE(e->Description().find(reason), std::string::npos) << file << ": " << e->Description();
    }
}

// Every cut of a valid file, and random damage to it, either decodes or is refused: never a crash or a read
// outside the bytes (run under valgrind or a sanitizer to see the second).
TEST(BmpFile, TruncatedAndDamagedFilesNeverReadOutside)
{
    for (int bits : {1, 8, 24}) {
        const auto valid = Encode(Pattern(7, 3, bits));
        for (std::size_t length = 0; length < valid.size(); ++length) {
            const std::vector<std::uint8_t> cut(valid.begin(), valid.begin() + static_cast<long>(length));
            EXPECT_THROW(DecodeBitmap(cut), AppError) << bits << " bits cut at " << length;
        }
    }
    std::mt19937 random(7);
    const auto valid = Encode(Pattern(5, 5, 8));
    for (int round = 0; round < 2000; ++round) {
        auto bytes = valid;
        for (int k = 0; k < 4; ++k)
            bytes[random() % 60] = static_cast<std::uint8_t>(random());
        try {
            const Bitmap b = DecodeBitmap(bytes);
            EXPECT_LE(static_cast<std::size_t>(b.Stride()) * b.Height(), bytes.size());
        } catch (const AppError&) {
        }
    }
}

} // namespace
