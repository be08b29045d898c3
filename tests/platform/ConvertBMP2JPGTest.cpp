#include "TempDir.h"
#include "base/SaveFile.h"
#include "imaging/Bitmap.h"
#include "imaging/BmpFile.h"
#include "platform/ConvertBMP2JPG.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <turbojpeg.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

struct Decoded {
    int width = 0, height = 0;
    Bytes rgb;  // top-down red, green, blue
    const unsigned char* At(int x, int y) const { return rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x); }
};

// Decodes a JPEG file after checking its size and the 4:2:0 YCbCr form that old players accept (the command line
// test has independent readers check the rest of that form).
Decoded Decode(const std::string& path, int width, int height)
{
    const Bytes jpeg = ReadFileBytes(path);
    Decoded d;
    int subsampling = -1, colourspace = -1;
    tjhandle handle = tjInitDecompress();
    if (tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &d.width, &d.height, &subsampling, &colourspace) == 0) {
        d.rgb.resize(3 * static_cast<std::size_t>(d.width) * d.height);
        if (tjDecompress2(handle, jpeg.data(), jpeg.size(), d.rgb.data(), d.width, 0, d.height, TJPF_RGB, 0) != 0)
            d.rgb.clear();
    }
    tjDestroy(handle);
    EXPECT_EQ(std::tuple(d.width, d.height, subsampling, colourspace),
              std::tuple(width, height, int(TJSAMP_420), int(TJCS_YCbCr)));
    EXPECT_FALSE(d.rgb.empty()) << path;
    return d;
}

struct Probe {
    int x, y;
    std::array<int, 3> rgb;
};
constexpr std::array<int, 3> kBlack{0, 0, 0}, kWhite{255, 255, 255};

// Every probed pixel within 40 of its colour in each channel.
void ExpectColours(const Decoded& d, std::initializer_list<Probe> probes)
{
    for (const Probe& p : probes)
        for (int channel = 0; channel < 3 && !d.rgb.empty(); ++channel)
            EXPECT_NEAR(d.At(p.x, p.y)[channel], p.rgb[channel], 40) << p.x << "," << p.y;
}

Bitmap BusyPicture(int width, int height, int seed)
{
    Bitmap picture = *Bitmap::Make(width, height, 24);
    std::uint32_t state = 2463534242u + seed;
    for (std::uint8_t& byte : picture.Bits()) {
        state ^= state << 13, state ^= state >> 17, state ^= state << 5;
        byte = static_cast<std::uint8_t>(state);
    }
    return picture;
}

std::vector<std::string> Entries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ConvertBMP2JPG, BitmapsOfEveryDepthKeepTheirColoursAndPixelOrder)
{
    TempDir dir;
    const std::array<RgbQuad, 5> colours{RgbQuad{}, RgbQuad::FromRgb(255, 255, 255), RgbQuad::FromRgb(255, 0, 0),
                                         RgbQuad::FromRgb(0, 255, 0), RgbQuad::FromRgb(0, 0, 255)};
    constexpr int kWidth = 51, kHeight = 33;  // odd, so that rows end in padding
    for (const int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        Bitmap picture = *Bitmap::Make(kWidth, kHeight, bits);
        if (picture.Indexed())
            std::copy_n(colours.begin(), bits == 1 ? 2 : 5, picture.ColourTable().begin());
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                // Blocks of colour (white at 1 bit) above one-pixel black and white columns, which show the order
                // of the pixels within a byte.
                const std::uint32_t index = y >= 16 ? x % 2 : bits == 1 ? 1 : 2 + x / 17;
                const RgbQuad c = colours[index];
                picture.SetRawPixel(x, y, picture.Indexed() ? index : c.blue | c.green << 8 | c.red << 16);
            }
        ASSERT_TRUE(SaveBitmap(dir.Path("page.bmp"), picture));
        // Every case replaces the page of the one before.
        const auto result = ConvertBMP2JPG(dir.Path("page.bmp"), dir.Path("page.jpg"), 10, 0);
        ASSERT_TRUE(result) << result.Failure().message;
        const auto top = [&](std::array<int, 3> colour) { return bits == 1 ? kWhite : colour; };
        ExpectColours(Decode(dir.Path("page.jpg"), kWidth, kHeight),
                      {{8, 8, top({255, 0, 0})}, {25, 8, top({0, 255, 0})}, {42, 8, top({0, 0, 255})},
                       {20, 24, kBlack}, {21, 24, kWhite}, {49, 32, kWhite}, {50, 32, kBlack}});
        EXPECT_EQ(Entries(dir.Root()), (std::vector<std::string>{"page.bmp", "page.jpg"}));
    }
}

TEST(ConvertBMP2JPG, QualityRaisesTheFileSizeAndIsClamped)
{
    TempDir dir;
    const Bitmap busy = BusyPicture(320, 240, 1);
    const auto encoded = [&](int quality) {
        const auto result = EncodeJpegFile(busy, dir.Path("q.jpg"), quality);
        EXPECT_TRUE(result) << result.Failure().message;
        return ReadFileBytes(dir.Path("q.jpg"));
    };
    // Each step of the scale counts, up to both ends.
    const Bytes q0 = encoded(0), q1 = encoded(1), q9 = encoded(9), q10 = encoded(10);
    EXPECT_TRUE(q0.size() < q1.size() && q1.size() < q9.size() && q9.size() < q10.size());
    EXPECT_TRUE(encoded(-3) == q0 && encoded(14) == q10);
}

TEST(ConvertBMP2JPG, FailuresNameTheFileAndLeaveNothingBehind)
{
    TempDir dir;
    ASSERT_TRUE(SaveBitmap(dir.Path("good.bmp"), BusyPicture(40, 30, 0)));
    std::ofstream(dir.Path("text.bmp")) << "Chapter 1\r\nIt was a dark and stormy night.";
    fs::create_directory(dir.Path("taken.jpg"));
    const struct { const char* source; const char* destination; const char* named; const char* reason; } cases[] = {
        {"missing.bmp", "out.jpg", "missing.bmp", "No such file"},
        {"text.bmp", "out.jpg", "text.bmp", "not a BMP"},
        {"good.bmp", "no folder/out.jpg", "no folder/out.jpg", "No such file"},
        {"good.bmp", "taken.jpg", "taken.jpg", "directory"},
    };
    for (const auto& c : cases) {
        const auto result = ConvertBMP2JPG(dir.Path(c.source), dir.Path(c.destination), 5, 0);
        const std::string error = result ? "no failure" : result.Failure().message;
        EXPECT_TRUE(error.find(dir.Path(c.named)) != std::string::npos && error.find(c.reason) != std::string::npos)
            << c.source << " to " << c.destination << ": " << error;
        EXPECT_EQ(Entries(dir.Root()), (std::vector<std::string>{"good.bmp", "taken.jpg", "text.bmp"}));
    }
}

TEST(SaveFile, AFailedCommitLeavesNoTemporaryBehind)
{
    TempDir dir;
    auto file = SaveFile::Open(dir.Path("page.jpg"), SaveFile::Durability::Unsynced);
    ASSERT_TRUE(file && file->Write(std::string_view("a page")));
    fs::create_directories(dir.Path("page.jpg/taken"));  // meanwhile a folder takes the name
    EXPECT_FALSE(file->Commit());
    EXPECT_EQ(Entries(dir.Root()), std::vector<std::string>{"page.jpg"});
}

// Files saved one after another through a held folder land at their paths, whatever became of the folder in
// between, and leave no temporary behind; a folder that is gone gives an error naming the file.
TEST(SaveFolder, EachFileLandsAtItsPath)
{
    TempDir dir;
    fs::create_directory(dir.Path("a"));
    fs::create_directory(dir.Path("b"));
    SaveFolder folder;
    const struct { const char* meanwhile; const char* file; const char* error; } cases[] = {
        {"", "a/1.jpg", ""},
        {"", "a/2.jpg", ""},
        {"", "b/1.jpg", ""},
        {"", "a/1.jpg", ""},  // replaced
        {"remake a", "a/3.jpg", ""},
        {"rename a, make a, close", "a/4.jpg", ""},
        {"remove b", "b/2.jpg", "No such file"},
    };
    for (const auto& c : cases) {
        const std::string meanwhile = c.meanwhile;
        if (meanwhile == "remake a")
            fs::remove_all(dir.Path("a")), fs::create_directory(dir.Path("a"));
        if (meanwhile == "rename a, make a, close")
            fs::rename(dir.Path("a"), dir.Path("old")), fs::create_directory(dir.Path("a")), folder.Close();
        if (meanwhile == "remove b")
            fs::remove_all(dir.Path("b"));
        const std::string content = std::string(c.file) + " after '" + meanwhile + "'";
        const auto saved = SaveWholeFile(dir.Path(c.file), content, SaveFile::Durability::Unsynced,
                                         SaveFile::Target::OwnName, &folder);
        const std::string error = saved ? "" : saved.Failure().message;
        if (*c.error == 0)
            EXPECT_TRUE(error.empty() && ReadFileText(dir.Path(c.file)) == content) << content << ": " << error;
        else
            EXPECT_TRUE(error.find(dir.Path(c.file)) != std::string::npos && error.find(c.error) != std::string::npos)
                << content << ": " << error;
        for (const auto& entry : fs::recursive_directory_iterator(dir.Root()))
            EXPECT_NE(entry.path().filename().string()[0], '.') << content << ": " << entry.path();
    }
}

} // namespace
