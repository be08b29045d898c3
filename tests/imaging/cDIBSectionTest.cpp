#include "TempDir.h"
#include "TestSurface.h"
#include "base/AppError.h"
#include "base/HostHooks.h"

#include <gtest/gtest.h>

namespace {

TEST(cDIBSection, RowsArePaddedToFourBytes)
{
    const struct { int width; int bytes; } cases[] = {{1, 4}, {4, 12}, {5, 16}, {320, 960}, {3, 12}};
    for (const auto& c : cases) {
        cDIBSection s;
        ASSERT_TRUE(s.Create(c.width, 2));
        EXPECT_EQ(s.BytesPerScanLine(), c.bytes) << "width " << c.width;
    }
}

TEST(cDIBSection, CreateRefusesSizesThatCannotBeMade)
{
    for (const auto& [w, h] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}, std::pair{40000, 2}}) {
        cDIBSection s;
        EXPECT_FALSE(s.Create(w, h)) << w << " x " << h;
        EXPECT_EQ(s.DIBSectionBitsPtr(), nullptr);
    }
}

TEST(cDIBSection, ClearUpKeepsTheLastSize)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(7, 3));
    s.ClearUp();
    EXPECT_EQ(s.Width(), 7);
    EXPECT_EQ(s.Height(), 3);
    EXPECT_EQ(s.hdc(), nullptr);
    EXPECT_EQ(s.hdc(), nullptr);
    EXPECT_EQ(s.DIBSectionBitsPtr(), nullptr);
}

TEST(cDIBSection, SavePictureWritesHeaderAndPaddedRows)
{
    TempDir dir;
    cDIBSection s;
    ASSERT_TRUE(s.Create(3, 2));
    PixelAt(s, 0, 0)[2] = 0xAB;  // red of the bottom-left pixel
    ASSERT_TRUE(s.SavePicture(dir.Path("p.bmp")));
    const auto bytes = ReadFileBytes(dir.Path("p.bmp"));
    ASSERT_EQ(bytes.size(), 78u);  // 14 + 40 + 2 rows of 12 bytes
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[2], 78);  // bfSize
    EXPECT_EQ(bytes[10], 54);  // bfOffBits
    EXPECT_EQ(bytes[14], 40);  // biSize
    EXPECT_EQ(bytes[18], 3);   // biWidth
    EXPECT_EQ(bytes[22], 2);   // biHeight, positive: bottom-up
    EXPECT_EQ(bytes[28], 24);  // biBitCount
    EXPECT_EQ(bytes[34], 24);  // biSizeImage
    EXPECT_EQ(bytes[54 + 2], 0xAB);  // the first stored row is the bottom one
}

TEST(cDIBSection, SavePictureFailures)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(3, 2));
    try {
        s.SavePicture("/nonexistent-folder/p.bmp");
        FAIL() << "no error raised";
    } catch (const AppError& e) {
        EXPECT_EQ(e.Number(), 17);
        EXPECT_EQ(e.Source(), ExecutableName() + ".cDIBSection256");
        EXPECT_EQ(e.Description(), "No such file or directory");
    }
    // A device that is always full: the file opens but the writes fail.
    EXPECT_FALSE(s.SavePicture("/dev/full"));
}

TEST(cDIBSection, ResampleToOwnSizeCopiesExactly)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(5, 4));
    s.RandomiseBits();
    const auto copy = s.Resample(4, 5);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(std::equal(s.hdc()->Bits().begin(), s.hdc()->Bits().end(), copy->hdc()->Bits().begin()));
}

TEST(cDIBSection, ResampleBilinearTwoByTwoToFourByFour)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(2, 2));
    // Channel values per source pixel (x, y) in memory order; blue, green and red differ to catch channel mix-ups.
    const std::uint8_t values[2][2][3] = {{{0, 6, 10}, {100, 0, 10}}, {{200, 0, 30}, {40, 0, 30}}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            std::copy(values[y][x], values[y][x] + 3, PixelAt(s, x, y));
    const auto big = s.Resample(4, 4);
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
        EXPECT_EQ(PixelAt(*big, c.x, c.y)[c.channel], c.expected) << "(" << c.x << ", " << c.y << ") channel " << c.channel;
}

TEST(cDIBSection, ResampleWithoutNeighbourhoodRaisesSubscriptError)
{
    for (const auto& [w, h] : {std::pair{1, 4}, std::pair{4, 1}}) {
        cDIBSection s;
        ASSERT_TRUE(s.Create(w, h));
        try {
            s.Resample(3, 3);
            FAIL() << w << " x " << h << " resampled without error";
        } catch (const AppError& e) {
            EXPECT_EQ(e.Number(), 9);
        }
    }
}

TEST(cDIBSection, RandomGreysHaveEqualChannels)
{
    cDIBSection s;
    ASSERT_TRUE(s.Create(17, 9));
    s.RandomiseBits(true);
    int distinct = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x) {
            const std::uint8_t* p = PixelAt(s, x, y);
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            distinct += p[0] != PixelAt(s, 0, 0)[0];
        }
    EXPECT_GT(distinct, 0);
    s.RandomiseBits(false);
    EXPECT_EQ(PixelAt(s, 3, 3)[0], 0);  // colours have no blue
}

struct RecordingHost : MessageHost {
    std::vector<std::string> messages;
    bool answer = false;
    void ShowMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text, const std::string&) override
    {
        messages.push_back(text);
        return answer;
    }
};

struct RecordingClipboard : ClipboardHook {
    int width = 0, height = 0;
    bool SetBitmap(const Bitmap& picture) override
    {
        width = picture.Width();
        height = picture.Height();
        return true;
    }
    std::string Text() override { return {}; }
};

TEST(cDIBSection, CopyToClipboard)
{
    RecordingHost host;
    RecordingClipboard clipboard;
    SetMessageHost(&host);
    SetClipboardHook(&clipboard);
    cDIBSection s;
    ASSERT_TRUE(s.Create(6, 4));

    EXPECT_FALSE(s.CopyToClipboard(true));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!");
    EXPECT_EQ(clipboard.width, 0);

    EXPECT_TRUE(s.CopyToClipboard());
    EXPECT_EQ(clipboard.width, 6);
    EXPECT_EQ(clipboard.height, 4);

    SetClipboardHook(nullptr);
    EXPECT_FALSE(s.CopyToClipboard());
    SetMessageHost(nullptr);
}

} // namespace
