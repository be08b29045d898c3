#include "RunFixture.h"
#include "base/Text.h"
#include "engine/BookPunctuation.h"
#include "engine/ParagraphSetter.h"
#include "platform/Hyphenator.h"

#include <gtest/gtest.h>

namespace {

TEST(Typesetting, BookPunctuation)
{
    const auto all = [](char32_t) { return true; };
    const auto plain = [](char32_t c) { return c < 0x2000; };  // a face without typographic marks
    const struct { const char* text; const char* set; bool face = true; } cases[] = {
        {"\"Come in,\" she said. \"It's late.\"", "\u201CCome in,\u201D she said. \u201CIt\u2019s late.\u201D"},
        {"\"He said 'no' to me.\"", "\u201CHe said \u2018no\u2019 to me.\u201D"},
        {"'Tis the boys' books of the '90s.", "\u2019Tis the boys\u2019 books of the \u201990s."},
        {"Wait--no---stop", "Wait\u2014no\u2014stop"},
        {"And then... (\"quiet\")", "And then\u2026 (\u201Cquiet\u201D)"},
        {"It was _very_ _late indeed_, my_name", "It was very late indeed, my_name"},
        {"\"Stop\"--he cried.", "\u201CStop\u201D\u2014he cried."},
        {"\"Keep\"... -- and 'these'", "\"Keep\"... -- and 'these'", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf8(BookPunctuation(FromUtf8(c.text), c.face ? std::function<bool(char32_t)>(all) : plain)),
                  c.set)
            << c.text;
}

// Rows of a paragraph set in a face whose every character is 10 pixels wide.
std::vector<std::string> Rows(const char* text, float room, const Hyphenator* hyphenator, bool kept = false)
{
    ParagraphStyle style;
    style.firstRoom = style.room = room;
    style.hyphenator = hyphenator;
    style.keptLine = kept;
    const std::u32string paragraph = FromUtf8(text);
    const SetText set =
        SetParagraph(paragraph, style, [](std::u32string_view t) { return 10.0f * static_cast<float>(t.size()); });
    std::vector<std::string> rows;
    for (const SetRow& row : set.rows)
        rows.push_back(ToUtf8(row.Text()) + (row.last ? "|" : ""));
    return rows;
}

TEST(Typesetting, RowsOfAParagraph)
{
    const auto english = Hyphenator::ForLanguage("en-US");
    ASSERT_TRUE(english);
    using Strings = std::vector<std::string>;
    const struct { const char* what; const char* text; float room; bool hyphenate; bool kept; Strings rows; } cases[] = {
        // "wonderful" does not fit after "a": its longest piece that fits goes, with its hyphen
        {"the best break that fits", "a wonderful day", 91, true, false, {"a wonder-", "ful day|"}},
        {"no break without hyphenation", "a wonderful day", 91, false, false, {"a", "wonderful", "day|"}},
        // reaching the edge is too far, as for any word
        {"a piece reaching the edge", "a wonderful day", 90, true, false, {"a won-", "derful", "day|"}},
        {"the last word stays whole", "see wonderful", 91, true, false, {"see", "wonderful|"}},
        // at most two rows in a row end in a hyphen: "nary" ends the third whole
        {"two hyphenated rows at most", "extraordinary extraordinary end", 71, true, false,
         {"extra-", "ordi-", "nary", "extra-", "ordi-", "nary", "end|"}},
        {"an indent stays", "   Indented words", 200, true, false, {"   Indented words|"}},
        {"a kept line keeps its blanks", "  one   two  three", 200, false, true, {"  one   two  three|"}},
        {"a long kept line breaks at blanks", "one   two  three", 95, false, true, {"one   two", "three|"}},
        {"a word wider than a row", "abcdefghijkl", 51, true, false, {"abcde", "fghij", "kl|"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.text, c.room, c.hyphenate ? english.get() : nullptr, c.kept), c.rows) << c.what;
}

TEST(Typesetting, ParagraphEndsKeptTogether)
{
    // true where a page begins before the row
    using Breaks = std::vector<bool>;
    const struct { const char* what; int rows, firstRoom, pageRows; bool keep; Breaks breaks; } cases[] = {
        {"a widow: the row before goes with it", 5, 4, 10, true, {false, false, false, true, false}},
        {"a widow, kept off", 5, 4, 10, false, {false, false, false, false, true}},
        {"an orphan: the paragraph starts on the next page", 4, 1, 10, true, {true, false, false, false}},
        {"two rows are left as they fall", 2, 1, 10, true, {false, true}},
        {"two rows and a widow: all on the next page", 3, 2, 10, true, {true, false, false}},
        {"over three pages, the last widow", 12, 3, 4, true, {false, false, false, true, false, false, false, true,
                                                              false, false, true, false}},
        {"pages too small to spare a row", 4, 3, 3, true, {false, false, false, true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageBreaksBefore(c.rows, c.firstRoom, c.pageRows, c.keep), c.breaks) << c.what;
}

// The rightmost column of ink on each row of the body of a page, from its text rows (the header's rule, on the
// first row's top line, left out).
std::vector<int> RowEnds(const Bitmap& page, int rowHeight, int rows, int top)
{
    std::vector<int> ends;
    for (int row = 0; row < rows; ++row) {
        int end = -1;
        for (int y = top + row * rowHeight + 1; y < top + (row + 1) * rowHeight && y < page.Height(); ++y)
            for (int x = 0; x < page.Width(); ++x)
                if (page.Colour(x, y).red > 128)
                    end = std::max(end, x);
        ends.push_back(end);
    }
    return ends;
}

// Justified rows end at the right margin, in both pipelines; the paragraph's last row, a kept line and a row that
// would have to stretch too far stay ragged. The page text shows single blanks and the hyphen.
TEST(Typesetting, JustifiedRowsEndAtTheMargin)
{
    for (const char* pureBW : {"1", "0"}) {
        SCOPED_TRACE(std::string("black and white ") + pureBW);
        RunFixture f;
        f.Set({{"chkBookParas", "1"}, {"chkJustify", "1"}, {"chkHyphenate", "1"}, {"chkPureBW", pureBW},
               {"lstFonts", "Arial"}, {"txtFontSize", "10"}, {"chkFileNr", "0"}});
        f.Book(Lines({"It was a wonderful evening, and the lamp-mender walked slowly along the river towards the",
                      "grey stone house by the ferry, where nobody had waited for her in a very long time.", "",
                      "Supercalifragilisticexpialidocious antidisestablishmentarianism words."}));
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        const Bitmap page = ReadBitmapFile(f.Out("TempBMP.bmp"));
        const int right = page.Width() - f.state.LeftMargin - 1;
        const std::vector<int> ends = RowEnds(page, f.state.LineHeight, 6, f.state.TopY);
        const std::u32string& text = f.host.pages.back();
        const auto rows = [&] {
            std::vector<std::u32string> split(1);
            for (char32_t c : text) {
                if (c == U'\n')
                    split.emplace_back();
                else
                    split.back().push_back(c);
            }
            return split;
        }();
        for (std::size_t i = 0; i + 1 < rows.size() && i < ends.size(); ++i) {
            SCOPED_TRACE(ToUtf8(rows[i]));
            EXPECT_EQ(rows[i].find(U"  "), std::u32string::npos);
            const bool endsParagraph = rows[i + 1].empty();
            if (!rows[i].empty() && !endsParagraph && rows[i].find(U' ') != std::u32string::npos) {
                EXPECT_GE(ends[i], right - 1) << "a justified row short of the margin";
            } else if (!rows[i].empty()) {
                EXPECT_LT(ends[i], right - 20) << "a paragraph's last row stretched";
            }
        }
        EXPECT_NE(text.find(U"-\n"), std::u32string::npos) << ToUtf8(text);
    }
    // A row of two words far apart would stretch its blank past three: it stays ragged. A language without a
    // dictionary is said, and nothing is hyphenated.
    RunFixture f;
    f.Set({{"chkBookParas", "1"}, {"chkJustify", "1"}, {"chkHyphenate", "1"}, {"txtLanguage", "xx"},
           {"lstFonts", "Arial"}, {"txtFontSize", "10"}, {"chkFileNr", "0"}});
    f.Book(Lines({"Go extraordinarily-long-compounded-words-beyond-reason right now."}));
    const RunResult result = f.Run();
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_NE(result.warnings[0].find("\"xx\""), std::string::npos) << result.warnings[0];
    const Bitmap page = ReadBitmapFile(f.Out("TempBMP.bmp"));
    EXPECT_LT(RowEnds(page, f.state.LineHeight, 1, f.state.TopY)[0], page.Width() - f.state.LeftMargin - 20);
}

} // namespace
