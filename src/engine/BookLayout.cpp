#include "engine/BookLayout.h"

#include "books/BookReader.h"
#include "base/Text.h"

#include <algorithm>

namespace {

// Lines longer than this take no part in finding the wrapping width.
constexpr int kWidestWrap = 400;

int Indent(std::u32string_view line)
{
    const std::size_t first = line.find_first_not_of(U' ');
    return static_cast<int>(first == std::u32string_view::npos ? line.size() : first);
}

std::u32string_view WithoutTrailingBlanks(std::u32string_view line)
{
    const std::size_t last = line.find_last_not_of(U' ');
    return last == std::u32string_view::npos ? std::u32string_view() : line.substr(0, last + 1);
}

int FirstWordLength(std::u32string_view line)
{
    const std::size_t start = std::min(line.size(), static_cast<std::size_t>(Indent(line)));
    const std::size_t end = std::min(line.size(), line.find(U' ', start));
    return static_cast<int>(end - start);
}

int Length(std::u32string_view line) { return static_cast<int>(WithoutTrailingBlanks(line).size()); }

// A word that fits after the line within width: the source wrapped short of the width there.
bool WouldHaveFitted(std::u32string_view previous, std::u32string_view line, int width)
{
    return Length(previous) + 1 + FirstWordLength(line) <= width;
}

} // namespace

const BookHeading* BookLayout::HeadingAt(std::size_t line) const
{
    const auto found = headings.find(line);
    return found == headings.end() ? nullptr : &found->second;
}

void BookSurvey::Reset()
{
    mPrevious.clear();
    mBlankBefore = false;
    mLines = mPairs = mBlankStarts = 0;
    mWidthVotes.clear();
    mIndents.clear();
    mIndentSteps.clear();
}

void BookSurvey::Add(std::u32string_view line)
{
    const std::size_t number = mLineNumber++;
    if (mEnded)
        return;
    if (mSkipMatter && !mFrontFound && IsFrontMatterEnd(line)) {
        mFrontFound = true;
        mBody.bodyStart = number + 1;
        Reset();  // what was learnt from the front matter does not count
        mHeadings.Reset();
        return;
    }
    if (mSkipMatter && IsBackMatterStart(line)) {
        mBody.bodyEnd = number;
        mEnded = true;
        return;
    }

    if (mFindHeadings)
        mHeadings.Add(number, line, mIsMaskHeading && mIsMaskHeading(line));
    const std::u32string_view text = WithoutTrailingBlanks(line);
    if (text.empty()) {
        mBlankBefore = true;
        return;
    }
    const int indent = Indent(text);
    ++mLines;
    ++mIndents[indent];
    if (!mPrevious.empty()) {
        if (mBlankBefore) {
            ++mBlankStarts;
        } else {
            ++mPairs;
            // Wrapped at width w, the previous line fits in w and its next word would not have: w lies from
            // the previous line's length up to that length plus the word.
            const int from = Length(mPrevious), to = from + FirstWordLength(text);
            if (to < kWidestWrap) {
                if (mWidthVotes.size() < static_cast<std::size_t>(to) + 2)
                    mWidthVotes.resize(static_cast<std::size_t>(to) + 2);
                ++mWidthVotes[static_cast<std::size_t>(from)];
                --mWidthVotes[static_cast<std::size_t>(to) + 1];
            }
            const int previousIndent = Indent(mPrevious);
            if (indent > previousIndent)
                ++mIndentSteps[{previousIndent, indent}];
        }
    }
    mPrevious = text;
    mBlankBefore = false;
}

BookLayout BookSurvey::Result() const
{
    BookLayout layout = mBody;

    // The width most pairs of lines agree with, the widest of equals (a short book leaves a range of widths
    // open, and the book's own lines are as long as its widest); a book where fewer than half of the pairs
    // agree on any width is not wrapped.
    long votes = 0, bestVotes = 0;
    for (std::size_t width = 0; width < mWidthVotes.size(); ++width) {
        votes += mWidthVotes[width];
        if (votes >= bestVotes && votes > 0)
            bestVotes = votes, layout.usualWidth = static_cast<int>(width);
    }
    if (bestVotes == 0 || static_cast<std::size_t>(bestVotes) * 2 < mPairs)
        layout.usualWidth = 0;

    const auto usual = std::max_element(mIndents.begin(), mIndents.end(),
                                        [](const auto& a, const auto& b) { return a.second < b.second; });
    layout.baseIndent = usual == mIndents.end() ? 0 : usual->first;
    std::size_t indentStarts = 0;
    for (const auto& [step, count] : mIndentSteps)
        if (step.first == layout.baseIndent && count > indentStarts)
            indentStarts = count, layout.paragraphIndent = step.second;

    if (layout.usualWidth == 0 && mPairs > mBlankStarts)
        layout.paragraphs = BookLayout::Paragraphs::Lines;
    else if (indentStarts > mBlankStarts && indentStarts * 20 >= mLines)
        layout.paragraphs = BookLayout::Paragraphs::Indented;
    if (mFindHeadings) {
        HeadingSurvey::Found found = mHeadings.Finish();
        layout.headings = std::move(found.headings);
        layout.contents = std::move(found.contents);
    }
    return layout;
}

std::optional<BookLayout> SurveyBook(BookReader& reader, BookSurvey survey,
                                     const std::function<void(std::u32string&)>& clean, std::string& error)
{
    std::u32string line;
    while (reader.ReadLine(line)) {
        clean(line);
        survey.Add(line);
    }
    if (!reader.Error().empty() || !reader.Rewind()) {
        error = reader.Error();
        return std::nullopt;
    }
    return survey.Result();
}

BookBreak BookLineStart(const BookLayout& layout, std::u32string_view previous, bool blankBefore,
                        std::u32string_view line)
{
    if (previous.empty() || blankBefore || layout.paragraphs == BookLayout::Paragraphs::Lines)
        return BookBreak::Paragraph;
    const int indent = Indent(line), previousIndent = Indent(previous);
    const int width = layout.usualWidth;
    if (layout.paragraphs == BookLayout::Paragraphs::Indented && indent == layout.paragraphIndent &&
        (previousIndent != indent || width == 0 || WouldHaveFitted(previous, line, width)))
        return BookBreak::Paragraph;
    if (width == 0)
        return BookBreak::Row;
    // Prose is wrapped by hand now and then, a word or two short of the width. Between two lines of the body's
    // own indent, only a line clearly short of the width keeps its break: the word after it would have fitted
    // with a seventh of the width to spare. Lines set off by their indent (verse, a signature, a quotation)
    // need no more than room for the word.
    const int room = indent == previousIndent && indent <= layout.baseIndent ? width - width / 7 : width;
    return WouldHaveFitted(previous, line, room) ? BookBreak::Row : BookBreak::Join;
}
