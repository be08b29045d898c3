// The run's paragraphs: where they start, the lines of HTML and EPUB books, headings, and typesetting (whole
// paragraphs gathered, set into rows by engine/ParagraphSetter and drawn, stretched to the margin when rows are
// justified). The rest of ConversionRun is in ConversionRun.cpp.
#include "engine/ConversionRun.h"

#include "base/Rounding.h"
#include "base/Text.h"
#include "engine/BookPunctuation.h"
#include "settings/SettingsModel.h"

#include <algorithm>
#include <cmath>

namespace {

// A paragraph longer than this is set in parts, so that memory stays the same whatever its length.
constexpr std::size_t kMostUnit = 1 << 16;

} // namespace

// A line of an HTML or EPUB book: a chapter opens a page, as a heading does; a paragraph or a kept line starts its
// row as in the book-layout mode. The rules for text books' lines (marked phrases, blank lines, joining) have
// nothing to judge here.
void ConversionRun::ProcessStructuredLine(const std::u32string& line, const BookLine& structure)
{
    mDropRest = true;
    FlushUnit();
    if (structure.start == BookLine::Start::Chapter) {
        ++mChapters;
        mState.ChapterLabel = U"Ch " + FormatNumber(mChapters, mSettings.Text(Control::txtFormat));
        const int room = TitleRoom(Context());
        // Numbered as the mask's headings are, so that chapter folders sort in reading order.
        const std::u32string title = mState.ChapterLabel + U" " + structure.title;
        mState.ChapterTitle = title.substr(0, static_cast<std::size_t>(std::max(room, 0)));
        HeadingPageBreak(title);
        return;
    }
    if (TrimBlanks(line).empty()) {
        // An empty kept line (verse between stanzas) is one empty row.
        if (structure.start == BookLine::Start::Row && mPageHasText && mEmptyRows == 0) {
            if (mRowHasText)
                NewLine();
            NewLine();
        }
        return;
    }
    const BookBreak where = structure.start == BookLine::Start::Paragraph ? BookBreak::Paragraph : BookBreak::Row;
    const std::u32string text = mBookPunctuation ? Punctuated(line) : line;
    mDropRest = false;
    if (mTypeset) {
        FlushUnit();
        BeginUnit(where, text, where == BookBreak::Row);
        return;
    }
    StartBookRow(where);
    mState.BlankCount = 0;
    WordLoop(text, Piece::Start);
}

// The book-layout pass found the headings no mask names, and the mask's headings that are only entries of a
// contents list; the masks find the rest. A heading makes its page break here.
bool ConversionRun::TryHeading(const std::u32string& line)
{
    const HeadingContext context = Context();
    const std::size_t lineNumber = mLinesRead - 1;
    std::u32string wholeTitle;
    if (const BookHeading* heading = mLayout ? mLayout->HeadingAt(lineNumber) : nullptr) {
        const int room = TitleRoom(context);
        mState.ChapterLabel = heading->label;
        mState.ChapterTitle =
            ToUpper(std::u32string_view(heading->title).substr(0, static_cast<std::size_t>(std::max(room, 0))));
        wholeTitle = ToUpper(heading->title);
    } else if ((mLayout && mLayout->InContents(lineNumber)) ||
               !DetectHeading(context, line, mState.PreviousLine, mState.ChapterMask, mState.ParagraphMask,
                              mState.ChapterTitle, mState.ChapterLabel)) {
        return false;
    } else {
        wholeTitle = mState.ChapterTitle;
    }
    HeadingPageBreak(wholeTitle);
    mDropRest = true;
    return true;
}

// A line the book keeps starts a row; a paragraph also has one empty row above it, except at the top of a page.
void ConversionRun::StartBookRow(BookBreak where)
{
    if (!mPageHasText)
        return;
    if (mRowHasText)
        NewLine();
    if (where == BookBreak::Paragraph && mEmptyRows == 0)
        NewLine();
}

std::u32string ConversionRun::Punctuated(const std::u32string& text) const
{
    return BookPunctuation(text, [this](char32_t c) { return mSettings.Canvas().HasGlyph(c); });
}

void ConversionRun::BeginUnit(BookBreak start, const std::u32string& text, bool kept)
{
    mUnit.open = true;
    mUnit.start = start;
    mUnit.kept = kept;
    mUnit.text.assign(text);
}

void ConversionRun::AddToUnit(std::u32string_view text, bool joinBlank)
{
    if (!mUnit.open) {
        BeginUnit(BookBreak::Row, std::u32string(text), false);
        return;
    }
    if (joinBlank && !text.empty())
        mUnit.text.push_back(U' ');
    mUnit.text += text;
    // A paragraph of a whole book on one line is set a part at a time, each part on rows of its own.
    if (mUnit.text.size() > kMostUnit) {
        const bool kept = mUnit.kept;
        FlushUnit();
        BeginUnit(BookBreak::Row, {}, kept);
    }
}

void ConversionRun::FlushUnit()
{
    if (!mUnit.open)
        return;
    // The unit's text keeps its memory from paragraph to paragraph.
    mUnit.open = false;
    const Unit& unit = mUnit;
    if (unit.text.find_first_not_of(U' ') == std::u32string::npos)
        return;
    PageCanvas& canvas = mSettings.Canvas();
    StartBookRow(unit.start);
    mDirection = Direction::Unknown;

    // Rows end at the right edge, or a margin's width before it when they are stretched to it, so that both
    // margins are alike. Row numbers take room before every row; the widest a paragraph will need is kept free.
    const float right = static_cast<float>(canvas.Width() - (mJustify ? mState.LeftMargin : 0));
    const float prefix = mSettings.RowNumbersOn() ? Width(ToText(mState.RowNumber + 1000) + U" | ") : 0;
    const float rowStart = static_cast<float>(mState.LeftMargin) + prefix;
    const float firstStart = mRowHasText || !mState.RowPrefix.empty() ? std::max(canvas.CurrentX(), rowStart)
                                                                       : std::max(canvas.CurrentX() + prefix, rowStart);
    mBlankWidth = Width(U" ");
    ParagraphStyle style;
    style.firstRoom = right - firstStart;
    style.room = right - rowStart;
    style.hyphenator = unit.kept ? nullptr : mHyphenator.get();
    style.keptLine = unit.kept;
    const SetText set = SetParagraph(unit.text, style, [this](std::u32string_view text) { return Width(text); });
    const std::vector<SetRow>& rows = set.rows;

    // Rows left on this page (the pen stands on the first one) and on a page of its own.
    const float rowHeight = static_cast<float>(mState.LineHeight);
    const auto fitting = [&](float y) {
        return rowHeight > 0 ? static_cast<int>(std::floor((static_cast<float>(canvas.Height()) - y) / rowHeight)) : 1;
    };
    const std::vector<bool> breaks = PageBreaksBefore(static_cast<int>(rows.size()), fitting(canvas.CurrentY()),
                                                      fitting(static_cast<float>(mState.TopY)),
                                                      mKeepEnds && unit.start == BookBreak::Paragraph);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0 || mRowHasText)
            NewLine(i > 0 ? Row::Wrapped : Row::NewParagraph);
        if (breaks[i] || PageIsFull())
            NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount,
                    static_cast<float>(mState.TopY));
        DrawRow(rows[i], mJustify && !unit.kept && !rows[i].last);
    }
    mState.BlankCount = 0;
    const std::u32string last = TrimBlanks(rows.back().words.empty() ? U"" : rows.back().words.back());
    mUnit.text.clear();
    mState.LastChar = last.empty() ? U"" : last.substr(last.size() - 1);
}

// Draws a row at the pen, its words apart by a blank, or by as much more as brings its end to the right margin:
// whole pixels, the remainder to the first gaps. A row whose gaps would grow past three blanks stays ragged.
void ConversionRun::DrawRow(const SetRow& row, bool stretch)
{
    PageCanvas& canvas = mSettings.Canvas();
    if (!mState.RowPrefix.empty()) {
        PrintNow(mState.RowPrefix);
        mSettings.AppendPageText(mState.RowPrefix);
        mState.RowPrefix.clear();
    }
    const std::u32string text = row.Text();
    const std::size_t gaps = row.words.size() > 1 ? row.words.size() - 1 : 0;
    const float start = canvas.CurrentX();
    const float blank = mBlankWidth;
    float natural = blank * static_cast<float>(gaps);
    for (float width : row.widths)
        natural += width;
    const float right = static_cast<float>(canvas.Width() - mState.LeftMargin);
    const long extra = stretch && gaps > 0 ? static_cast<long>(std::floor(right - start - natural)) : 0;
    if (extra <= 0 || static_cast<float>(extra) / static_cast<float>(gaps) > 2 * blank) {
        Print(text, false);
    } else {
        const long each = extra / static_cast<long>(gaps), more = extra % static_cast<long>(gaps);
        float x = start;
        for (std::size_t i = 0; i < row.words.size(); ++i) {
            canvas.SetCurrentX(x);
            Print(row.words[i], false);
            if (i < gaps)
                x += row.widths[i] + blank + static_cast<float>(each + (static_cast<long>(i) < more ? 1 : 0));
        }
    }
    mSettings.AppendPageText(text);
    mRowHasText = mPageHasText = true;
}
