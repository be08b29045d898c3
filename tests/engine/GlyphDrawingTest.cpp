#include "RunFixture.h"
#include "platform/PageCanvas.h"
#include "base/Rounding.h"

#include <filesystem>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BITMAP_H
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

// Whether some paper inside the glyph cannot be reached from outside it: the counter of an "e".
bool HasEnclosedCounter(const GlyphImage& glyph)
{
    const int w = glyph.width + 2, h = glyph.height + 2;  // a frame of paper around the glyph
    const auto ink = [&](int x, int y) {
        return x > 0 && y > 0 && x <= glyph.width && y <= glyph.height &&
               glyph.coverage[(y - 1) * glyph.width + x - 1] != 0;
    };
    std::vector<bool> reached(static_cast<std::size_t>(w) * h, false);
    std::vector<std::pair<int, int>> todo{{0, 0}};
    reached[0] = true;
    while (!todo.empty()) {
        const auto [x, y] = todo.back();
        todo.pop_back();
        for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h || reached[ny * w + nx] || ink(nx, ny))
                continue;
            reached[ny * w + nx] = true;
            todo.push_back({nx, ny});
        }
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!reached[y * w + x] && !ink(x, y))
                return true;
    return false;
}

TEST(GlyphDrawing, EveryOfferedFaceSizeAndModeDrawsEachLatin1GlyphWithinItsBox)
{
    for (const std::string& face : OfferedFaces())
        for (int points = 6; points <= 16; ++points)
            for (const GlyphMode mode : kModes) {
                const std::string label = face + " " + std::to_string(points) + " pt" +
                                          (mode == GlyphMode::Monochrome ? " monochrome" : " anti-aliased");
                const int pixels = PixelSizeForPoints(points);
                PageCanvas canvas(3 * pixels, 3 * pixels);
                canvas.SetGlyphMode(mode);
                canvas.SetFont(face, points, false);
                const auto font = FontLibrary::Instance().Open(face, pixels, false, mode);
                ASSERT_EQ(font->Mode(), mode) << label;
                int paper = 0, blends = 0;  // blends: pixels neither ink nor paper
                for (char32_t c = 0x21; c <= 0xFF; ++c) {
                    if (c >= 0x7F && c <= 0xA0)
                        continue;
                    canvas.Clear();
                    canvas.SetCurrentX(static_cast<float>(pixels));
                    canvas.SetCurrentY(static_cast<float>(pixels / 2));
                    canvas.Print(std::u32string(1, c), PageCanvas::Then::StayOnRow);
                    const GlyphImage& glyph = font->Glyph(c);
                    const int left = pixels + glyph.left, top = pixels / 2 + font->Ascender() - glyph.top;
                    int ink = 0, outside = 0;
                    for (int y = 0; y < canvas.Height(); ++y)
                        for (int x = 0; x < canvas.Width(); ++x) {
                            const std::uint32_t colour = ColourAt(canvas.Image(), x, y);
                            if (colour == 0xFFFFFF) {
                                ++paper;
                                continue;
                            }
                            ++ink;
                            blends += colour != 0x000000;
                            outside += x < left || x >= left + glyph.width || y < top || y >= top + glyph.height;
                        }
                    EXPECT_GT(ink, 0) << label << ": U+" << std::hex << static_cast<unsigned>(c) << " has no ink";
                    EXPECT_EQ(outside, 0) << label << ": U+" << std::hex << static_cast<unsigned>(c);
                }
                if (mode == GlyphMode::Monochrome) {
                    EXPECT_GT(paper, 0) << label;
                    EXPECT_EQ(blends, 0) << label << ": a monochrome page holds only its two colours";
                    // What black-and-white pages lost: the middle stem of the default face's "m" and the eye of
                    // the serif "e". The narrow faces have no room for them below 7 points (8 pixels).
                    if (points >= 7 || face == "ProggyCleanTT") {
                        EXPECT_EQ(Stems(font->Glyph(U'm')), 3) << label;
                    }
                    if (points >= 7 || face == "Times New Roman") {
                        EXPECT_TRUE(HasEnclosedCounter(font->Glyph(U'e'))) << label;
                    }
                }
            }
}

// Tahoma carries hand-made 1-bit strikes from 8 to 16 pixels; a line drawn with them must be exactly what
// FreeType draws from the same strikes at the same pen positions, in either mode.
TEST(GlyphDrawing, TahomaStrikesDrawAsFreeTypeRendersThem)
{
    const char* kTahoma = "/usr/share/wine/fonts/tahoma.ttf";
    if (!std::filesystem::exists(kTahoma))
        GTEST_SKIP() << "Tahoma (fonts-wine) is not installed";
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    ASSERT_EQ(FT_New_Face(library, kTahoma, 0, &face), 0);
    const std::u32string line = U"Hamburgefonstiv: quick jumps, 0123456789 ÀÉÎõüß!";
    constexpr int kPenX = 3, kPenY = 4;

    for (const int points : {8, 10, 12})
        for (const GlyphMode mode : kModes) {
            const std::string label = std::to_string(points) + " pt" + (mode == GlyphMode::Monochrome ? " monochrome" : "");
            PageCanvas canvas(480, 40);
            canvas.SetGlyphMode(mode);
            canvas.SetFont("Tahoma", points, false);
            ASSERT_EQ(canvas.FontFamily(), "Tahoma");
            canvas.SetCurrentX(kPenX);
            canvas.SetCurrentY(kPenY);
            canvas.Print(line, PageCanvas::Then::StayOnRow);

            ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, PixelSizeForPoints(points)), 0);
            const int baseline = kPenY + static_cast<int>((face->size->metrics.ascender + 63) >> 6);
            std::vector<bool> want(static_cast<std::size_t>(canvas.Width()) * canvas.Height(), false);
            float x = kPenX;
            for (const char32_t c : line) {
                const bool mono = mode == GlyphMode::Monochrome;
                ASSERT_EQ(FT_Load_Char(face, c, mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT), 0);
                const bool blank = face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && face->glyph->outline.n_contours == 0;
                ASSERT_TRUE(blank || face->glyph->format == FT_GLYPH_FORMAT_BITMAP) << label << ": no strike";
                ASSERT_EQ(FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL), 0);
                FT_Bitmap bytes;
                FT_Bitmap_Init(&bytes);
                ASSERT_EQ(FT_Bitmap_Convert(library, &face->glyph->bitmap, &bytes, 1), 0);
                ASSERT_TRUE(blank || face->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_MONO) << label;
                const int left = static_cast<int>(RoundHalfEven(x)) + face->glyph->bitmap_left;
                const int top = baseline - face->glyph->bitmap_top;
                for (unsigned row = 0; row < bytes.rows; ++row)
                    for (unsigned col = 0; col < bytes.width; ++col)
                        if (bytes.buffer[row * static_cast<unsigned>(bytes.pitch) + col])
                            want[(top + row) * canvas.Width() + left + col] = true;
                FT_Bitmap_Done(library, &bytes);
                x += static_cast<float>(face->glyph->advance.x) / 64.0f;
            }
            int differences = 0, ink = 0;
            for (int py = 0; py < canvas.Height(); ++py)
                for (int px = 0; px < canvas.Width(); ++px) {
                    const bool drawn = ColourAt(canvas.Image(), px, py) == 0x000000;
                    ink += drawn;
                    differences += drawn != want[py * canvas.Width() + px];
                }
            EXPECT_GT(ink, 100) << label;
            EXPECT_EQ(differences, 0) << label;
            EXPECT_FLOAT_EQ(canvas.CurrentX(), x) << label;
        }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

// The glyph mode follows chkPureBW page by page: a change made while a page is saved (when the program lets
// events through) leaves that page as it was laid out and draws and measures the pages after it in the new mode.
TEST(GlyphDrawing, ModeFollowsTheSettingFromTheNextPageOn)
{
    struct ModeHost : RecordingHost {
        SettingsModel* settings = nullptr;
        int switchAt = 0;
        int switchTo = 0;
        std::vector<std::size_t> colours;  // per page, as laid out
        void PageSaveStarted(int fileNumber, std::uint64_t, std::uint64_t) override
        {
            if (fileNumber == switchAt)
                settings->SetCheck("chkPureBW", switchTo);
        }
        void PreviewPage(const Bitmap& page, std::u32string_view) override { colours.push_back(Colours(page).size()); }
    };
    std::string book;
    for (int i = 0; i < 120; ++i)
        book += "The ferryman counted the coins twice and said nothing about the weather.\r\n";

    for (const int startWith : {1, 0}) {
        RunFixture f;
        f.Book(book);
        f.settings.SetCheck("chkPureBW", startWith);
        EXPECT_EQ(f.settings.Canvas().CurrentGlyphMode(),
                  startWith ? GlyphMode::Monochrome : GlyphMode::AntiAliased);
        ModeHost host;
        host.settings = &f.settings;
        host.switchAt = 2;
        host.switchTo = 1 - startWith;
        PageOutput output(f.settings, f.state);
        ConversionRun run(f.settings, f.state, output, host);
        ASSERT_EQ(run.Run().outcome, RunResult::Outcome::Finished);
        ASSERT_GE(host.colours.size(), 4u);
        for (std::size_t page = 0; page < host.colours.size(); ++page) {
            const bool monochrome = (page < 2) == (startWith == 1);
            if (monochrome)
                EXPECT_EQ(host.colours[page], 2u) << "starting with " << startWith << ", page " << page + 1;
            else
                EXPECT_GT(host.colours[page], 2u) << "starting with " << startWith << ", page " << page + 1;
        }
    }
}

} // namespace
