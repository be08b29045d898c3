#include "books/TextFlow.h"

#include "base/Text.h"

#include <algorithm>

namespace {

// Decoded a piece at a time, so that a huge text node never exists as a whole in characters.
constexpr std::size_t kPiece = 1 << 16;
constexpr std::size_t kTabWidth = 8;

bool IsMarkupBlank(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f'; }

bool IsInvisible(char32_t c)
{
    return c == 0x00AD || c == 0x200B || c == 0x200C || c == 0x200D || c == 0x2060 || c == 0xFEFF;
}

} // namespace

void TextFlow::Add(std::string_view utf8, Spacing spacing)
{
    while (!utf8.empty()) {
        std::size_t cut = std::min(utf8.size(), kPiece);
        // Never inside a character: back off over continuation bytes.
        while (cut < utf8.size() && cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80)
            --cut;
        if (cut == 0)
            cut = std::min(utf8.size(), kPiece);
        Add(std::u32string_view(FromUtf8(utf8.substr(0, cut))), spacing);
        utf8.remove_prefix(cut);
    }
}

void TextFlow::Add(std::u32string_view text, Spacing spacing)
{
    for (char32_t c : text)
        Put(c, spacing);
}

void TextFlow::Put(char32_t c, Spacing spacing)
{
    const bool afterCr = mAfterCr;
    mAfterCr = false;
    if (IsInvisible(c))
        return;
    if (spacing == Spacing::Collapse) {
        if (IsMarkupBlank(c)) {
            mSpace = true;
            return;
        }
    } else if (c == U'\r' || c == U'\n') {
        if (c == U'\n' && afterCr)
            return;
        mAfterCr = c == U'\r';
        LineBreak(spacing);
        return;
    } else if (c == U'\t') {
        Open(spacing);
        auto& text = mLines.back().text;
        text.append(kTabWidth - text.size() % kTabWidth, U' ');
        return;
    }
    if (!mOpen || mRows > 0 || mSpace || mSeparator || !mPrefix.empty())
        Open(spacing);
    mLines.back().text.push_back(c);
}

void TextFlow::Open(Spacing spacing)
{
    if (!mOpen) {
        mLines.push_back({});
        mOpen = true;
    } else if (mRows > 0) {
        if (spacing == Spacing::Keep) {
            for (int i = 0; i < mRows; ++i)
                mLines.push_back({BookLine::Start::Row, {}, {}});
        } else {
            mLines.push_back({mRows > 1 ? BookLine::Start::Paragraph : BookLine::Start::Row, {}, {}});
        }
    }
    auto& text = mLines.back().text;
    if (!mPrefix.empty())
        text += mPrefix;
    else if ((mSpace || mSeparator) && !text.empty())
        text += U' ';
    mPrefix.clear();
    mRows = 0;
    mSpace = mSeparator = false;
}

void TextFlow::LineBreak(Spacing spacing)
{
    // At a paragraph's start a break has nothing to end; the paragraph's own start stands for it.
    if (!mOpen)
        return;
    if (spacing == Spacing::Keep)
        ++mRows;
    else
        mRows = std::min(mRows + 1, 2);
}

void TextFlow::EndParagraph()
{
    mOpen = false;
    mRows = 0;
    mSpace = mSeparator = mAfterCr = false;
}

void TextFlow::Append(BookLine line)
{
    EndParagraph();
    mLines.push_back(std::move(line));
}

std::u32string TextFlow::Joined() const
{
    std::u32string joined;
    bool blank = false;
    for (const auto& line : mLines) {
        blank = true;
        for (char32_t c : line.text) {
            if (c == U' ' || c == 0x00A0) {
                blank = true;
            } else {
                if (blank && !joined.empty())
                    joined += U' ';
                joined += c;
                blank = false;
            }
        }
    }
    return joined;
}
