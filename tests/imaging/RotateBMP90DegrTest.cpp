#include "base/AppError.h"
#include "imaging/RotateBMP90Degr.h"
#include "base/HostHooks.h"

#include <gtest/gtest.h>

namespace {

using namespace RotateBMP90Degr;

Bitmap Numbered(int width, int height)
{
    Bitmap b = *Bitmap::Make(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetRawPixel(x, y, static_cast<std::uint32_t>(y * width + x + 1));
    return b;
}

std::optional<Bitmap> Turn(const Bitmap& source, int& angle)
{
    std::shared_ptr<const Bitmap> handle(std::shared_ptr<const Bitmap>{}, &source);
    std::string file;
    OpenBitmap(handle, file);
    std::optional<Bitmap> destination;
    RotatePicture(source, destination, angle);
    return destination;
}

TEST(RotateBMP90Degr, QuarterTurnClockwiseOfAPage)
{
    const Bitmap page = Numbered(320, 240);
    int angle = 90;
    const auto turned = Turn(page, angle);
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->Width(), 240);
    EXPECT_EQ(turned->Height(), 320);
    const struct { int sx, sy, dx, dy; } corners[] = {
        {0, 0, 239, 0},      // top-left goes to the top-right corner
        {0, 239, 0, 0},      // bottom-left goes to the top-left corner
        {319, 0, 239, 319},
        {319, 239, 0, 319},
        {17, 5, 234, 17},    // any pixel: (x, y) -> (H - 1 - y, x)
    };
    for (const auto& c : corners)
        EXPECT_EQ(turned->RawPixel(c.dx, c.dy), page.RawPixel(c.sx, c.sy)) << c.sx << "," << c.sy;
}

TEST(RotateBMP90Degr, AnglesAdvanceByQuarterTurns)
{
    const Bitmap page = Numbered(4, 3);
    const struct { int angle, next, width, height; int probeX, probeY, sourceX, sourceY; } cases[] = {
        {90, 180, 3, 4, 2, 0, 0, 0},
        {180, 270, 4, 3, 0, 0, 3, 2},   // upside down
        {270, 0, 3, 4, 0, 3, 0, 0},     // counter-clockwise: top-left goes to the bottom-left
        {0, 90, 4, 3, 1, 2, 1, 2},      // a plain copy
        {45, 135, 6, 6, 0, 0, 0, 0},    // sin and cos both round to 1: a skewed copy, no true turn
    };
    for (const auto& c : cases) {
        int angle = c.angle;
        const auto turned = Turn(page, angle);
        EXPECT_EQ(angle, c.next) << c.angle;
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->Width(), c.width) << c.angle;
        EXPECT_EQ(turned->Height(), c.height) << c.angle;
        if (c.angle != 45) {
            EXPECT_EQ(turned->RawPixel(c.probeX, c.probeY), page.RawPixel(c.sourceX, c.sourceY)) << c.angle;
        }
    }
}

TEST(RotateBMP90Degr, PicturesWithAColourTableKeepTheirColours)
{
    const RgbQuad white = RgbQuad::FromRgb(255, 255, 255), red = RgbQuad::FromRgb(200, 0, 0);
    for (const int depth : {1, 4, 8}) {
        Bitmap page = *Bitmap::Make(5, 3, depth);
        page.ColourTable()[1] = white;
        page.ColourTable()[0] = red;
        page.SetRawPixel(0, 0, 1);
        int angle = 90;
        const auto turned = Turn(page, angle);
        ASSERT_TRUE(turned);
        EXPECT_TRUE(turned->Colour(2, 0).SameColour(white)) << depth << " bits";  // the top-left pixel, turned
        EXPECT_TRUE(turned->Colour(0, 4).SameColour(red)) << depth << " bits";
    }
}

TEST(RotateBMP90Degr, SizedDestinationIsClearedAndClipped)
{
    const Bitmap page = Numbered(4, 2);
    int angle = 90;
    std::optional<Bitmap> destination = Bitmap::Make(3, 3, 24);
    destination->SetRawPixel(2, 2, 0xFFFFFF);
    std::shared_ptr<const Bitmap> handle(std::shared_ptr<const Bitmap>{}, &page);
    std::string file;
    OpenBitmap(handle, file);
    RotatePicture(page, destination, angle);
    ASSERT_EQ(destination->Width(), 3);
    EXPECT_EQ(destination->RawPixel(1, 0), page.RawPixel(0, 0));
    EXPECT_EQ(destination->RawPixel(2, 2), 0u);  // below the turned picture (2 wide) is cleared
}

TEST(RotateBMP90Degr, NothingToLoadIsReportedNotFatal)
{
    struct Host : MessageHost {
        std::string title, text;
        void ShowMessage(const std::string& t, const std::string& ti) override { text = t, title = ti; }
        bool AskYesNo(const std::string&, const std::string&) override { return false; }
    } host;
    SetMessageHost(&host);
    std::shared_ptr<const Bitmap> handle;
    std::string file = "/nonexistent/page.bmp";
    EXPECT_THROW(OpenBitmap(handle, file), AppError);
    EXPECT_EQ(host.title, "Bitmap Load Error");
    EXPECT_EQ(host.text, "Error, Unable To Load Bitmap");
    file.clear();
    EXPECT_THROW(OpenBitmap(handle, file), AppError);
    SetMessageHost(nullptr);
}

} // namespace
