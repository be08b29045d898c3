#include "engine/ParagraphSetter.h"

#include "platform/Fonts.h"
#include "platform/Hyphenator.h"

#include <algorithm>

namespace {

constexpr char32_t kSoftHyphen = 0x00AD;

std::u32string WithoutSoftHyphens(std::u32string_view text)
{
    if (text.find(kSoftHyphen) == std::u32string_view::npos)
        return std::u32string(text);
    std::u32string out;
    for (char32_t c : text)
        if (c != kSoftHyphen)
            out.push_back(c);
    return out;
}

// The words of a paragraph, split at blanks; the blanks before the first word stay with it (an indent).
std::vector<std::u32string_view> WordsOf(std::u32string_view text)
{
    std::vector<std::u32string_view> words;
    std::size_t at = 0;
    const std::size_t indent = std::min(text.size(), text.find_first_not_of(U' '));
    while (at < text.size()) {
        const std::size_t from = words.empty() ? 0 : text.find_first_not_of(U' ', at);
        if (from == std::u32string_view::npos)
            break;
        const std::size_t to = std::min(text.size(), text.find(U' ', std::max(from, indent)));
        words.emplace_back(text.substr(from, to - from));
        at = to;
    }
    return words;
}

// A kept line's pieces: each word with the blanks before it, so the line's own spacing stays.
std::vector<std::u32string_view> PiecesOf(std::u32string_view text)
{
    std::vector<std::u32string_view> pieces;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t word = std::min(text.size(), text.find_first_not_of(U' ', at));
        const std::size_t end = std::min(text.size(), text.find(U' ', word));
        pieces.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return pieces;
}

class Setter {
public:
    Setter(const ParagraphStyle& style, const std::function<float(std::u32string_view)>& measure)
        : mStyle(style), mMeasure(measure), mBlank(measure(U" "))
    {
    }

    SetText Set(const std::vector<std::u32string_view>& words, bool kept)
    {
        const float gap = kept ? 0 : mBlank;  // a kept line's pieces carry their blanks
        for (std::size_t i = 0; i < words.size(); ++i) {
            std::u32string_view word = words[i];
            if (!kept && word.find(kSoftHyphen) != std::u32string_view::npos)
                word = mSet.pieces.emplace_front(word);  // kept whole, for its soft hyphens may be where it breaks
            const bool lastWord = i + 1 == words.size();
            while (!word.empty()) {
                const float before = mRow.words.empty() ? 0 : gap;
                const bool soft = word.find(kSoftHyphen) != std::u32string_view::npos;
                const float width = mMeasure(soft ? Piece(WithoutSoftHyphens(word)) : word);
                if (mX + before + width < Room()) {
                    Place(soft ? Piece(WithoutSoftHyphens(word)) : word, before, width);
                    break;
                }
                // A kept line's piece that goes to the next row leaves its blanks behind.
                if (kept && !mRow.words.empty()) {
                    EndRow(false);
                    word.remove_prefix(std::min(word.size(), word.find_first_not_of(U' ')));
                    continue;
                }
                if (!kept && Hyphenate(word, before, lastWord))
                    continue;
                if (!mRow.words.empty()) {
                    EndRow(false);
                    continue;
                }
                // Wider than a whole row: as many characters as fit, a letter never parted from its marks.
                std::size_t fit = ClusterEnd(word, 0);
                for (std::size_t next; fit < word.size() && mMeasure(word.substr(0, next = ClusterEnd(word, fit))) < Room();)
                    fit = next;
                Place(word.substr(0, fit), 0, mMeasure(word.substr(0, fit)));
                word.remove_prefix(fit);
                if (!word.empty())
                    EndRow(false);
            }
        }
        if (!mRow.words.empty() || mSet.rows.empty())
            EndRow(false);
        mSet.rows.back().last = true;
        return std::move(mSet);
    }

private:
    float Room() const { return mSet.rows.empty() ? mStyle.firstRoom : mStyle.room; }

    // A text of the setter's own, which rows may point into.
    std::u32string_view Piece(std::u32string text) { return mSet.pieces.emplace_front(std::move(text)); }

    void Place(std::u32string_view word, float before, float width)
    {
        mRow.words.push_back(word);
        mRow.widths.push_back(width);
        mX += before + width;
    }

    void EndRow(bool hyphenated)
    {
        mRow.hyphenated = hyphenated;
        mRow.kept = mStyle.keptLine;
        mHyphenatedRows = hyphenated ? mHyphenatedRows + 1 : 0;
        mSet.rows.push_back(std::move(mRow));
        mRow = {};
        mX = 0;
    }

    // Puts the longest piece of word that fits, with its hyphen, at the end of the row and keeps the rest in
    // word; false when no piece fits or the word may not be broken.
    bool Hyphenate(std::u32string_view& word, float before, bool lastWord)
    {
        if (!mStyle.hyphenator || lastWord || mHyphenatedRows >= 2 || word.size() < 5)
            return false;
        // No piece fits where not even two letters and a hyphen do: the dictionary need not be asked.
        if (mX + before + mMeasure(std::u32string(word.substr(0, 2)) + U"-") >= Room())
            return false;
        const auto breaks = mStyle.hyphenator->BreakPoints(word);
        for (auto at = breaks.rbegin(); at != breaks.rend(); ++at) {
            std::u32string piece = WithoutSoftHyphens(word.substr(0, at->after)) + (at->addHyphen ? U"-" : U"");
            const float width = mMeasure(piece);
            if (mX + before + width < Room()) {
                Place(Piece(std::move(piece)), before, width);
                word.remove_prefix(at->after);
                EndRow(true);
                return true;
            }
        }
        return false;
    }

    const ParagraphStyle& mStyle;
    const std::function<float(std::u32string_view)>& mMeasure;
    float mBlank;
    SetText mSet;
    SetRow mRow;
    float mX = 0;
    int mHyphenatedRows = 0;
};

} // namespace

std::u32string SetRow::Text() const
{
    std::u32string text;
    for (std::u32string_view word : words) {
        if (!text.empty() && !kept)
            text.push_back(U' ');
        text += word;
    }
    return text;
}

SetText SetParagraph(std::u32string_view text, const ParagraphStyle& style,
                     const std::function<float(std::u32string_view)>& measure)
{
    Setter setter(style, measure);
    return setter.Set(style.keptLine ? PiecesOf(text) : WordsOf(text), style.keptLine);
}

std::vector<bool> PageBreaksBefore(int rows, int firstRoom, int pageRows, bool keepEnds)
{
    pageRows = std::max(pageRows, 1);
    firstRoom = std::max(firstRoom, 0);
    const bool keep = keepEnds && rows >= 3 && pageRows >= 4;
    // An orphan: the paragraph begins on the next page.
    if (keep && firstRoom == 1)
        firstRoom = 0;
    std::vector<bool> breaks(static_cast<std::size_t>(std::max(rows, 0)), false);
    int room = firstRoom, lastBreak = -1;
    for (int i = 0; i < rows; ++i) {
        if (room == 0) {
            breaks[static_cast<std::size_t>(i)] = true;
            lastBreak = i;
            room = pageRows;
        }
        --room;
    }
    // A widow: the last row alone on its page takes the row before with it, unless that leaves one row behind.
    if (keep && lastBreak == rows - 1) {
        const int previousBreak = [&] {
            for (int i = lastBreak - 1; i >= 0; --i)
                if (breaks[static_cast<std::size_t>(i)])
                    return i;
            return -1;
        }();
        const int before = lastBreak - std::max(previousBreak, 0);  // rows on the page before the widow's
        breaks[static_cast<std::size_t>(lastBreak)] = false;
        if (before >= 3 || previousBreak >= 0)
            breaks[static_cast<std::size_t>(lastBreak - 1)] = true;
        else
            breaks[0] = true;  // two rows and a widow: the paragraph goes to the next page whole
    }
    return breaks;
}
