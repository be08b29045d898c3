#include "TestSurface.h"
#include "imaging/RotateBMP90Degr.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

using namespace RotateBMP90Degr;

void Turn(const Bitmap& source, std::optional<Bitmap>& destination, int& angle)
{
    std::shared_ptr<const Bitmap> handle(std::shared_ptr<const Bitmap>{}, &source);
    std::string file;
    OpenBitmap(handle, file);
    RotatePicture(source, destination, angle);
}

// Every pixel of a 5 × 3 picture (rows padded) lands where its turn puts it, at every depth, and a picture with
// a colour table keeps its colours; the angle moves on a quarter.
TEST(RotateBMP90Degr, AnglesAdvanceByQuarterTurns)
{
    const int w = 5, h = 3;
    using Source = std::function<std::pair<int, int>(int, int)>;  // the source pixel of turned pixel (x, y)
    const struct { int angle, next, width, height; Source source; } cases[] = {
        {90, 180, h, w, [&](int x, int y) { return std::pair{y, h - 1 - x}; }},
        {180, 270, w, h, [&](int x, int y) { return std::pair{w - 1 - x, h - 1 - y}; }},
        {270, 0, h, w, [&](int x, int y) { return std::pair{w - 1 - y, x}; }},
        {0, 90, w, h, [&](int x, int y) { return std::pair{x, y}; }},
        {45, 135, 7, 7, nullptr},  // sin and cos both round to 1: a skewed copy, no true turn
    };
    for (int bits : {24, 8, 4, 1})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(bits) + " bits, " + std::to_string(c.angle) + " degrees");
            const Bitmap page = Pattern(w, h, bits);
            int angle = c.angle;
            std::optional<Bitmap> turned;
            Turn(page, turned, angle);
            EXPECT_EQ(angle, c.next);
            ASSERT_TRUE(turned);
            ASSERT_EQ(turned->Width(), c.width);
            ASSERT_EQ(turned->Height(), c.height);
            EXPECT_TRUE(std::ranges::equal(turned->ColourTable(), page.ColourTable(),
                                           [](auto& a, auto& b) { return a.SameColour(b); }));
            for (int y = 0; c.source && y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const auto [sx, sy] = c.source(x, y);
                    ASSERT_EQ(turned->RawPixel(x, y), page.RawPixel(sx, sy)) << x << "," << y;
                }
        }
}

TEST(RotateBMP90Degr, SizedDestinationIsClearedAndClipped)
{
    const Bitmap page = Pattern(4, 2, 24);
    int angle = 90;
    std::optional<Bitmap> destination = Bitmap::Make(3, 3, 24);
    destination->SetRawPixel(2, 2, 0xFFFFFF);
    Turn(page, destination, angle);
    ASSERT_EQ(destination->Width(), 3);
    EXPECT_EQ(destination->RawPixel(0, 1), page.RawPixel(1, 1));
    EXPECT_EQ(destination->RawPixel(2, 2), 0u);  // below the turned picture (2 wide) is cleared
}

TEST(RotateBMP90Degr, NothingToLoadIsReportedNotFatal)
{
    RecordingHost host;
    std::shared_ptr<const Bitmap> handle;
    for (std::string file : {"/nonexistent/page.bmp", ""})
        EXPECT_EQ(NumberRaised([&] { OpenBitmap(handle, file); }), 481) << file;
    EXPECT_EQ(host.told, std::vector<std::string>(2, "Bitmap Load Error: Error, Unable To Load Bitmap"));
}

} // namespace
