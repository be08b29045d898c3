#include "RunFixture.h"
#include "base/Text.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

struct KeepingHost : RecordingHost {
    std::vector<Bitmap> drawn;
    void PreviewPage(const Bitmap& page, std::u32string_view text) override
    {
        drawn.push_back(page);
        RecordingHost::PreviewPage(page, text);
    }
};

// The first and last columns of a row of text that differ from the page's background, from x on; -1, -1 when the
// row is empty.
std::pair<int, int> Ink(const Bitmap& page, int top, int height, int from = 0)
{
    const std::uint8_t* corner = page.MemoryRow(0);
    int first = -1, last = -1;
    for (int x = from; x < page.Width(); ++x)
        for (int y = top; y < std::min(top + height, page.Height()); ++y)
            if (std::memcmp(page.MemoryRow(page.Height() - 1 - y) + 3 * x, corner, 3) != 0) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
    return {first, last};
}

const std::string kHebrew = "\u05DB\u05DC \u05D1\u05E0\u05D9 \u05D4\u05D0\u05D3\u05DD \u05E0\u05D5\u05DC\u05D3\u05D5 "
                            "\u05D1\u05E0\u05D9 \u05D7\u05D5\u05E8\u05D9\u05DF 1948 \u05D5\u05E9\u05D5\u05D5\u05D9\u05DD "
                            "\u05D1\u05E2\u05E8\u05DB\u05DD.";

TEST(ScriptRows, RightToLeftRowsEndAtTheRightMarginAndRowNumbersStayLeft)
{
    std::string hebrewParagraph;
    for (int i = 0; i < 4; ++i)
        hebrewParagraph += kHebrew + " ";
    const struct { const char* what; RunFixture::Edits edits; bool justified; } cases[] = {
        {"ragged", {}, false},
        {"with row numbers", {{"chkRowNrs", "1"}}, false},
        {"in colour", {{"chkWB", "0"}, {"chkPureBW", "0"}}, false},
        {"justified, as the book lays it out", {{"chkBookParas", "1"}, {"chkJustify", "1"}}, true},
        {"kerned", {{"chkKerning", "1"}}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        f.Set(c.edits);
        // An English paragraph, then a Hebrew one.
        f.Book("\xEF\xBB\xBF" "Any script.\n\n" + hebrewParagraph + "\n");
        KeepingHost host;
        host.state = &f.state;
        ASSERT_EQ(f.Run(host).outcome, RunResult::Outcome::Finished);
        ASSERT_FALSE(host.drawn.empty());
        const Bitmap& page = host.drawn.front();
        const int margin = static_cast<int>(f.state.LeftMargin), right = page.Width() - 1 - margin;
        const int height = static_cast<int>(f.state.LineHeight);
        const bool numbers = f.settings.RowNumbersOn();
        // Row numbers take the start of each row; the text is looked at after them.
        const int textFrom = numbers ? margin + 30 : 0;
        std::vector<std::pair<int, int>> rows;
        // (The header's rule is on the first row of pixels.)
        for (int top = static_cast<int>(f.state.TopY) + 1; top + height <= page.Height(); top += height)
            if (const auto ink = Ink(page, top, height, textFrom); ink.first >= 0)
                rows.push_back(ink);
        ASSERT_GE(rows.size(), 3u);
        // The English row starts at the left margin; every Hebrew row ends at the right one (within the side
        // bearing of its last glyph), the last and shorter one too.
        EXPECT_LE(rows.front().first, textFrom + margin + 2);
        EXPECT_LT(rows.front().second, page.Width() / 2);
        for (std::size_t i = 1; i < rows.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i));
            EXPECT_NEAR(rows[i].second, right, 2);
        }
        EXPECT_GT(rows.back().first, rows[1].first + 10);
        for (std::size_t i = 1; c.justified && i + 1 < rows.size(); ++i)
            EXPECT_LE(rows[i].first, margin + 2);
        if (numbers) {
            const int top = static_cast<int>(f.state.TopY) + 2 * height;
            const auto number = Ink(page, top, height);
            EXPECT_GE(number.first, margin);
            EXPECT_LE(number.first, margin + 2);
        }
        // The page's text stays in reading order.
        EXPECT_NE(host.pages.front().find(FromUtf8("\u05DB\u05DC \u05D1\u05E0\u05D9")), std::u32string::npos);
    }
}

} // namespace
