#include "base/Text.h"
#include "platform/Bidi.h"
#include "platform/PageCanvas.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr GlyphMode kModes[] = {GlyphMode::AntiAliased, GlyphMode::Monochrome};

// The characters of a text as a row shows them from left to right, each one pixel wide.
std::string ShownOrder(const std::string& text, bool rightToLeft)
{
    const std::u32string chars = FromUtf8(text);
    const auto levels = EmbeddingLevels(chars, rightToLeft);
    std::vector<DirectedSpan> spans;
    for (std::size_t i = 0; i < chars.size(); ++i)
        spans.push_back({levels[i], static_cast<float>(i), 1});
    ShowInVisualOrder(spans);
    std::u32string shown(chars.size(), U' ');
    for (std::size_t i = 0; i < chars.size(); ++i)
        shown[static_cast<std::size_t>(spans[i].x)] = chars[i];
    return ToUtf8(shown);
}

TEST(Bidi, ARowShowsItsCharactersInVisualOrder)
{
    const struct { const char* text; bool rightToLeft; const char* shown; } cases[] = {
        {"abc def", false, "abc def"},
        {"\u05D0\u05D1\u05D2", true, "\u05D2\u05D1\u05D0"},
        // digits and Latin words keep their own order inside a Hebrew row, and the row's blanks turn with it
        {"\u05D0\u05D1 123 \u05D2\u05D3", true, "\u05D3\u05D2 123 \u05D1\u05D0"},
        {"\u05D0\u05D1 abc de \u05D2", true, "\u05D2 abc de \u05D1\u05D0"},
        // Hebrew words inside an English row turn only among themselves
        {"see \u05D0\u05D1 \u05D2\u05D3 now", false, "see \u05D3\u05D2 \u05D1\u05D0 now"},
        // a blank at the end stays at the end the row began from
        {"\u05D0\u05D1 ", true, " \u05D1\u05D0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownOrder(c.text, c.rightToLeft), c.shown) << c.text;

    EXPECT_EQ(FirstStrongIsRightToLeft(U"\u201C12 \u05D0b"), true);
    EXPECT_EQ(FirstStrongIsRightToLeft(U"(12) b\u05D0"), false);
    EXPECT_EQ(FirstStrongIsRightToLeft(U"12, 3."), std::nullopt);
}

TEST(Bidi, TheGapsOfAJustifiedRowTurnWithIt)
{
    // Two right-to-left words with a stretched gap between them, and a left-to-right word after them.
    std::vector<DirectedSpan> spans = {{1, 10, 20}, {1, 40, 10}, {0, 60, 5}};
    ShowInVisualOrder(spans);
    EXPECT_EQ(spans[0].x, 30);  // the first word now ends where the second ended
    EXPECT_EQ(spans[1].x, 10);
    EXPECT_EQ(spans[2].x, 60);
}

TEST(Shaping, TextTooWideForARowBreaksBetweenClustersOnly)
{
    // Each text split where a row may end within it, "|" between the pieces.
    const struct { const char* text; const char* pieces; } cases[] = {
        {"abc", "a|b|c"},
        {"e\u0301te\u0301", "e\u0301|t|e\u0301"},                                   // Latin with combining accents
        {"\u0E01\u0E34\u0E19\u0E02\u0E49\u0E32\u0E27", "\u0E01\u0E34|\u0E19|\u0E02\u0E49|\u0E32|\u0E27"},  // Thai vowels and tones
        {"\u0915\u094D\u0937\u093E", "\u0915\u094D\u0937\u093E"},               // Devanagari conjunct with its vowel sign
        {"\u05E9\u05C1\u05B8\u05DC", "\u05E9\u05C1\u05B8|\u05DC"},              // Hebrew points
        {"\u4E2D\u6587", "\u4E2D|\u6587"},                                        // Chinese: between characters
    };
    for (const auto& c : cases) {
        const std::u32string text = FromUtf8(c.text);
        std::u32string pieces;
        for (std::size_t at = 0, end; at < text.size(); at = end) {
            end = ClusterEnd(text, at);
            pieces += (at ? U"|" : U"") + text.substr(at, end - at);
        }
        EXPECT_EQ(ToUtf8(pieces), c.pieces) << c.text;
    }
}

// The glyphs the shaper gives a text in a face, by index.
std::vector<unsigned> Glyphs(Font& font, const std::string& text, bool rightToLeft)
{
    std::vector<unsigned> indices;
    for (const ShapedGlyph& glyph : font.Shape(FromUtf8(text), rightToLeft, true).glyphs)
        indices.push_back(glyph.index);
    return indices;
}

TEST(Shaping, LettersTakeTheFormsTheirNeighboursGiveThem)
{
    auto dejavu = FontLibrary::Instance().Open("DejaVu Sans", 16, false, GlyphMode::AntiAliased);
    auto lohit = FontLibrary::Instance().Open("Lohit Devanagari", 16, false, GlyphMode::AntiAliased);
    ASSERT_EQ(dejavu->Family(), "DejaVu Sans");
    ASSERT_EQ(lohit->Family(), "Lohit Devanagari");
    const auto index = [](Font& font, char32_t c) { return font.GlyphIndex(c); };
    // Arabic beh three times: final, medial and initial forms from left to right, the glyphs the face keeps for the
    // presentation forms; alone, the isolated letter.
    EXPECT_EQ(Glyphs(*dejavu, "\u0628\u0628\u0628", true),
              (std::vector<unsigned>{index(*dejavu, 0xFE90), index(*dejavu, 0xFE92), index(*dejavu, 0xFE91)}));
    EXPECT_EQ(Glyphs(*dejavu, "\u0628", true), std::vector<unsigned>{index(*dejavu, 0x0628)});
    // lam and alef join into one ligature
    EXPECT_EQ(Glyphs(*dejavu, "\u0644\u0627", true), std::vector<unsigned>{index(*dejavu, 0xFEFB)});
    // Devanagari: ka, virama and ssa make the conjunct kssa, one glyph; the vowel sign i is drawn before its ka
    EXPECT_EQ(Glyphs(*lohit, "\u0915\u094D\u0937", false).size(), 1u);
    const auto ki = Glyphs(*lohit, "\u0915\u093F", false);
    ASSERT_EQ(ki.size(), 2u);
    EXPECT_EQ(ki[1], index(*lohit, 0x0915));
    EXPECT_NE(ki[0], index(*lohit, 0x0915));
}

// The columns with ink between rows top and bottom (exclusive); -1, -1 when none.
std::pair<int, int> InkColumns(const PageCanvas& canvas, int top, int bottom)
{
    const Bitmap& picture = canvas.Image();
    int first = -1, last = -1;
    for (int x = 0; x < picture.Width(); ++x)
        for (int y = top; y < bottom; ++y)
            if (picture.MemoryRow(picture.Height() - 1 - y)[3 * x] < 128) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
    return {first, last};
}

// The lowest row with ink; -1 when none.
int InkBottom(const PageCanvas& canvas)
{
    const Bitmap& picture = canvas.Image();
    for (int y = picture.Height() - 1; y >= 0; --y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.MemoryRow(picture.Height() - 1 - y)[3 * x] < 128)
                return y;
    return -1;
}

TEST(Shaping, WhatIsMeasuredIsWhatIsDrawn)
{
    const char* texts[] = {
        "Waterfall AVA office",                                        // Latin, kerned pairs and a ligature
        "\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645",  // Arabic
        "\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD 42",               // Hebrew with its points, and digits
        "\u0928\u092E\u0938\u094D\u0924\u0947 \u0926\u0941\u0928\u093F\u092F\u093E",  // Devanagari
        "e\u0301te\u0301 d\u0323",                                     // Latin with combining marks
    };
    // Bold too: the Devanagari face has no bold of its own and is thickened.
    for (const GlyphMode mode : kModes)
        for (const bool shapeAll : {false, true})
            for (const bool bold : {false, true})
                for (const char* text : texts) {
                    SCOPED_TRACE(std::string(text) + (mode == GlyphMode::Monochrome ? " monochrome" : "") +
                                 (shapeAll ? " kerned" : "") + (bold ? " bold" : ""));
                    PageCanvas canvas(400, 40);
                    canvas.SetGlyphMode(mode);
                    canvas.SetFont("Arial", 12, bold);
                    canvas.SetShapeAll(shapeAll);
                    const std::u32string chars = FromUtf8(text);
                    const float width = canvas.TextWidth(chars);
                    canvas.SetCurrentX(20);
                    canvas.Print(chars, PageCanvas::Then::StayOnRow);
                    EXPECT_FLOAT_EQ(canvas.CurrentX(), 20 + width);
                    // The ink lies within the width measured, but for a pixel or two of overhang at its ends.
                    const auto [first, last] = InkColumns(canvas, 0, 40);
                    ASSERT_GE(first, 0);
                    EXPECT_GE(first, 20 - 2);
                    EXPECT_LE(last, 20 + static_cast<int>(width) + 2);
                    EXPECT_GT(last - first, static_cast<int>(width) * 2 / 3);
                }
}

TEST(Shaping, ACharacterTheFaceLacksComesFromAnotherFaceOnTheSameBaseline)
{
    for (const GlyphMode mode : kModes) {
        SCOPED_TRACE(mode == GlyphMode::Monochrome ? "monochrome" : "anti-aliased");
        // DejaVu Sans Mono has no Hebrew and no Devanagari.
        const auto mono = FontLibrary::Instance().Open("DejaVu Sans Mono", 16, false, mode);
        ASSERT_EQ(mono->Family(), "DejaVu Sans Mono");
        const struct { char32_t c; const char* drawnBy; } cases[] = {
            {0x05D0, nullptr},             // alef, from whichever face the system ranks first
            {0x0915, "Lohit Devanagari"},  // ka, from the only installed face that has it
        };
        for (const auto& c : cases) {
            ASSERT_FALSE(mono->HasGlyph(c.c));
            const auto fallback = FontLibrary::Instance().Fallback(*mono, c.c);
            ASSERT_TRUE(fallback);
            EXPECT_TRUE(fallback->HasGlyph(c.c));
            if (c.drawnBy) {
                EXPECT_EQ(fallback->Family(), c.drawnBy);
            }
            // Drawn, it is not the face's box, and it stands on the baseline as an "x" of the face itself does.
            PageCanvas alone(60, 40), beside(60, 40), box(60, 40);
            for (PageCanvas* canvas : {&alone, &beside, &box}) {
                canvas->SetGlyphMode(mode);
                canvas->SetFont("DejaVu Sans Mono", 12, false);
            }
            alone.Print(std::u32string(1, c.c), PageCanvas::Then::StayOnRow);
            beside.Print(U"x", PageCanvas::Then::StayOnRow);
            box.Print(U"\U0010FFFD", PageCanvas::Then::StayOnRow);
            EXPECT_FALSE(std::equal(alone.Image().Bits().begin(), alone.Image().Bits().end(), box.Image().Bits().begin()));
            EXPECT_NEAR(InkBottom(alone), InkBottom(beside), 1);
        }
        // A character no installed face has is the face's own box.
        EXPECT_EQ(FontLibrary::Instance().Fallback(*mono, 0x10FFFD), nullptr);
    }
}

} // namespace
