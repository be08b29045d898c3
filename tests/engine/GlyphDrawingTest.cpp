#include "RunFixture.h"
#include "platform/PageCanvas.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr GlyphMode kModes[] = {GlyphMode::AntiAliased, GlyphMode::Monochrome};

std::uint32_t ColourAt(const Bitmap& picture, int x, int y)
{
    const std::uint8_t* p = picture.MemoryRow(picture.Height() - 1 - y) + 3 * x;
    return p[0] | p[1] << 8 | p[2] << 16;
}

std::set<std::uint32_t> Colours(const Bitmap& picture)
{
    std::set<std::uint32_t> colours;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            colours.insert(ColourAt(picture, x, y));
    return colours;
}

// The most runs of ink along one row of the glyph's lower half: the stems of an "m".
int Stems(const GlyphImage& glyph)
{
    int most = 0;
    for (int y = glyph.height / 2; y < glyph.height; ++y) {
        int runs = 0;
        for (int x = 0; x < glyph.width; ++x)
            runs += glyph.coverage[y * glyph.width + x] != 0 && (x == 0 || glyph.coverage[y * glyph.width + x - 1] == 0);
        most = std::max(most, runs);
    }
    return most;
}

// Whether some paper inside the glyph cannot be reached from outside it: the counter of an "e". The glyph gets
// a frame of paper; stepping off a row's end lands in the frame of the next or the previous row, all of it paper.
bool HasEnclosedCounter(const GlyphImage& glyph)
{
    const int w = glyph.width + 2, size = w * (glyph.height + 2);
    std::vector<bool> reached(static_cast<std::size_t>(size), false);  // ink counts as reached
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x)
            reached[(y + 1) * w + x + 1] = glyph.coverage[y * glyph.width + x] != 0;
    std::vector<int> todo{0};
    reached[0] = true;
    while (!todo.empty()) {
        const int at = todo.back();
        todo.pop_back();
        for (const int next : {at - 1, at + 1, at - w, at + w})
            if (next >= 0 && next < size && !reached[next])
                reached[next] = true, todo.push_back(next);
    }
    return std::find(reached.begin(), reached.end(), false) != reached.end();
}

TEST(GlyphDrawing, EveryOfferedFaceSizeAndModeDrawsEachLatin1GlyphWithinItsBox)
{
    for (const std::string& face : OfferedFaces())
        for (int points = 6; points <= 16; ++points)
            for (const GlyphMode mode : kModes) {
                const bool monochrome = mode == GlyphMode::Monochrome;
                SCOPED_TRACE(face + " " + std::to_string(points) + " pt" + (monochrome ? " monochrome" : ""));
                const int pixels = PixelSizeForPoints(points);
                PageCanvas canvas(3 * pixels, 3 * pixels);
                canvas.SetGlyphMode(mode);
                canvas.SetFont(face, points, false);
                const auto font = FontLibrary::Instance().Open(face, pixels, false, mode);
                ASSERT_EQ(font->Mode(), mode);
                int blends = 0;  // pixels neither ink nor paper
                for (char32_t c = 0x21; c <= 0xFF; ++c) {
                    if (c >= 0x7F && c <= 0xA0)
                        continue;
                    canvas.Clear();
                    canvas.SetCurrentX(static_cast<float>(pixels) + 0.6f);  // a glyph starts at the nearest pixel
                    canvas.SetCurrentY(static_cast<float>(pixels / 2));
                    canvas.Print(std::u32string(1, c), PageCanvas::Then::StayOnRow);
                    const GlyphImage& glyph = font->Glyph(c);
                    const int left = pixels + 1 + glyph.left, top = pixels / 2 + font->Ascender() - glyph.top;
                    int ink = 0, outside = 0;
                    for (int y = 0; y < canvas.Height(); ++y)
                        for (int x = 0; x < canvas.Width(); ++x) {
                            const std::uint32_t colour = ColourAt(canvas.Image(), x, y);
                            ink += colour != 0xFFFFFF;
                            blends += colour != 0xFFFFFF && colour != 0x000000;
                            outside += colour != 0xFFFFFF &&
                                       (x < left || x >= left + glyph.width || y < top || y >= top + glyph.height);
                        }
                    EXPECT_GT(ink, 0) << "U+" << std::hex << static_cast<unsigned>(c) << " has no ink";
                    EXPECT_EQ(outside, 0) << "U+" << std::hex << static_cast<unsigned>(c);
                }
                if (monochrome) {
                    EXPECT_EQ(blends, 0) << "a monochrome page holds only its two colours";
                    // What black-and-white pages lost: the middle stem of the default face's "m" and the eye of
                    // the serif "e". The narrow faces have no room for them below 7 points (8 pixels).
                    EXPECT_TRUE((points < 7 && face != "ProggyCleanTT") || Stems(font->Glyph(U'm')) == 3);
                    EXPECT_TRUE((points < 7 && face != "Times New Roman") || HasEnclosedCounter(font->Glyph(U'e')));
                }
            }
}

// A glyph blends into whatever is under it, exactly (ink × a + under × (255 − a) + 127) / 255 per channel, and
// touches nothing beyond its box: over earlier text, and cut by each edge of a page whose rows end in padding.
TEST(GlyphDrawing, BlendsOverWhatIsThereAndStopsAtEveryEdge)
{
    const int pixels = PixelSizeForPoints(16);
    const auto font = FontLibrary::Instance().Open("Arial", pixels, false, GlyphMode::AntiAliased);
    const GlyphImage& glyph = font->Glyph(U'@');
    const RgbQuad ink = RgbQuad::FromRgb(200, 30, 90);
    const int width = 2 * glyph.width + 3, height = 2 * glyph.height + 1;  // 3 × width is not a multiple of four
    const int middleX = width / 2 - glyph.left, baseline = height / 2 + glyph.top - glyph.height / 2;
    const struct { const char* name; int x, baseline; } kCases[] = {
        {"inside", middleX, baseline},
        {"cut by the left edge", -glyph.left - glyph.width / 2, baseline},
        {"cut by the right edge", width - glyph.left - glyph.width / 2, baseline},
        {"ending at the right edge", width - glyph.left - glyph.width, baseline},
        {"cut by the top", middleX, glyph.top - glyph.height / 2},
        {"cut by the bottom", middleX, height + glyph.top - glyph.height / 2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        PageCanvas canvas(width, height);
        canvas.SetFont("Arial", 16, false);
        canvas.SetCurrentY(static_cast<float>(height / 2 - font->Ascender()));
        canvas.SetForeColor(RgbQuad::FromRgb(10, 120, 250));
        canvas.Print(U"WWWWWWWW", PageCanvas::Then::StayOnRow);  // text to draw over, from edge to edge
        const Bitmap before = canvas.Image();
        canvas.SetForeColor(ink);
        canvas.SetCurrentX(static_cast<float>(c.x));
        canvas.SetCurrentY(static_cast<float>(c.baseline - font->Ascender()));
        canvas.Print(U"@", PageCanvas::Then::StayOnRow);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const int gx = x - c.x - glyph.left, gy = y - c.baseline + glyph.top;
                const unsigned a = gx >= 0 && gx < glyph.width && gy >= 0 && gy < glyph.height
                                       ? glyph.coverage[gy * glyph.width + gx] : 0;
                const std::uint32_t under = ColourAt(before, x, y), inkColour = ink.blue | ink.green << 8 | ink.red << 16;
                std::uint32_t expected = 0;
                for (const int shift : {0, 8, 16})
                    expected |= (((inkColour >> shift & 255) * a + (under >> shift & 255) * (255 - a) + 127) / 255) << shift;
                wrong += ColourAt(canvas.Image(), x, y) != expected;
            }
        EXPECT_EQ(wrong, 0);
    }
}

// A finished page stays on the canvas and is handed to its keeper just before the canvas changes its pixels,
// whatever the change; the keeper then holds the page, and the canvas shows the change.
TEST(PageCanvas, HandsTheKeptPageOverBeforeItChanges)
{
    const struct { const char* change; std::function<void(PageCanvas&)> apply; int width; } kCases[] = {
        {"a clear", [](PageCanvas& c) { c.Clear(); }, 60},
        {"a clear into a keeper of another size", [](PageCanvas& c) { c.Clear(); }, 61},
        {"text", [](PageCanvas& c) { c.Print(U"x", PageCanvas::Then::StayOnRow); }, 60},
        {"a line", [](PageCanvas& c) { c.Line(10, 0, RgbQuad::FromRgb(255, 0, 0)); }, 60},
        {"a new size", [](PageCanvas& c) { c.Resize(30, 20); }, 60},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.change);
        PageCanvas canvas(60, 40);
        canvas.SetCurrentY(10);
        canvas.Print(U"Page", PageCanvas::Then::NewRow);
        const Bitmap page = canvas.Image();
        std::optional<Bitmap> keeper = Bitmap::Make(c.width, 40, 24);
        canvas.KeepBeforeChange(&keeper);
        EXPECT_TRUE(canvas.Keeps(&keeper));
        c.apply(canvas);
        EXPECT_FALSE(canvas.Keeps(&keeper));
        ASSERT_TRUE(keeper.has_value());
        EXPECT_TRUE(std::ranges::equal(keeper->Bits(), page.Bits())) << "the keeper holds the page";
        EXPECT_FALSE(std::ranges::equal(canvas.Image().Bits(), page.Bits())) << "the canvas shows the change";
        canvas.Print(U"More", PageCanvas::Then::StayOnRow);  // changes after the hand-over are the canvas's own
        EXPECT_TRUE(std::ranges::equal(keeper->Bits(), page.Bits()));
    }
}

// Tahoma carries hand-made 1-bit strikes from 8 to 16 pixels; in either mode its glyphs must be exactly those
// strikes, as FreeType renders them.
TEST(GlyphDrawing, TahomaGlyphsAreItsStrikes)
{
    const char* kTahoma = "/usr/share/wine/fonts/tahoma.ttf";
    if (!std::filesystem::exists(kTahoma))
        GTEST_SKIP() << "Tahoma (fonts-wine) is not installed";
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    ASSERT_EQ(FT_New_Face(library, kTahoma, 0, &face), 0);
    for (const int points : {8, 10, 12})
        for (const GlyphMode mode : kModes) {
            const bool mono = mode == GlyphMode::Monochrome;
            SCOPED_TRACE(std::to_string(points) + " pt" + (mono ? " monochrome" : ""));
            const auto font = FontLibrary::Instance().Open("Tahoma", PixelSizeForPoints(points), false, mode);
            ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, PixelSizeForPoints(points)), 0);
            for (const char32_t c : std::u32string(U"Hamburgefonstiv:quick,jumps0123456789ÀÉÎõüß!")) {
                ASSERT_EQ(FT_Load_Char(face, c, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT), 0);
                ASSERT_EQ(face->glyph->format, FT_GLYPH_FORMAT_BITMAP) << "no strike";
                const FT_Bitmap& strike = face->glyph->bitmap;
                const GlyphImage& glyph = font->Glyph(c);
                ASSERT_EQ(strike.pixel_mode, FT_PIXEL_MODE_MONO);
                ASSERT_EQ(std::tuple(glyph.width, glyph.height, glyph.left, glyph.top),
                          std::tuple(int(strike.width), int(strike.rows), face->glyph->bitmap_left, face->glyph->bitmap_top));
                int differences = 0;
                for (int y = 0; y < glyph.height; ++y)
                    for (int x = 0; x < glyph.width; ++x)
                        differences += (glyph.coverage[y * glyph.width + x] != 0) !=
                                       ((strike.buffer[y * strike.pitch + x / 8] >> (7 - x % 8) & 1) != 0);
                EXPECT_EQ(differences, 0) << "U+" << std::hex << static_cast<unsigned>(c);
                EXPECT_FLOAT_EQ(glyph.advance, static_cast<float>(face->glyph->advance.x) / 64.0f);
            }
        }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

// The glyph mode follows chkPureBW page by page: a change made while a page is saved (when the program lets
// events through) leaves that page as it was laid out and draws and measures the pages after it in the new mode.
TEST(GlyphDrawing, ModeFollowsTheSettingFromTheNextPageOn)
{
    struct ColourCounter : RecordingHost {
        std::vector<std::size_t> colours;  // per page, as laid out
        void PreviewPage(const Bitmap& page, std::u32string_view) override { colours.push_back(Colours(page).size()); }
    };
    for (const int startWith : {1, 0}) {
        SCOPED_TRACE(testing::Message() << "starting with " << startWith);
        RunFixture f;
        f.Book(NumberedLines(400));
        f.settings.SetCheck("chkPureBW", startWith);
        EXPECT_EQ(f.settings.Canvas().CurrentGlyphMode(), startWith ? GlyphMode::Monochrome : GlyphMode::AntiAliased);
        ColourCounter host;
        host.atPageSave = [&](int page) {
            if (page == 2)
                f.settings.SetCheck("chkPureBW", 1 - startWith);
        };
        ASSERT_EQ(f.Run(host).outcome, RunResult::Outcome::Finished);
        ASSERT_GE(host.colours.size(), 4u);
        for (std::size_t page = 0; page < host.colours.size(); ++page) {
            const bool monochrome = (page < 2) == (startWith == 1);
            EXPECT_TRUE(monochrome ? host.colours[page] == 2 : host.colours[page] > 2)
                << "page " << page + 1 << ": " << host.colours[page] << " colours";
        }
    }
}

} // namespace
