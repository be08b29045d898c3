#include "books/StructuredBook.h"

#include <utility>

namespace {

// As for a text book: at most this many characters of a line at a time, cut after a blank near the end.
constexpr std::size_t kPiece = 1 << 16;
constexpr std::size_t kBlankSearch = 4096;

} // namespace

bool StructuredBook::ReadLine(std::u32string& line)
{
    if (!mContinues) {
        while (mLines.empty()) {
            if (mEnded || !Produce(mLines)) {
                mEnded = true;
                return false;
            }
        }
        mLine = std::move(mLines.front());
        mLines.pop_front();
        mOffset = 0;
        mPiece = 0;
    }
    const std::u32string& text = mLine.text;
    std::size_t end = text.size();
    if (end - mOffset > kPiece) {
        end = mOffset + kPiece;
        const std::size_t blank = text.rfind(U' ', end - 1);
        if (blank != std::u32string::npos && blank >= mOffset && end - blank <= kBlankSearch)
            end = blank + 1;
    }
    line.assign(text, mOffset, end - mOffset);
    mOffset = end;
    mContinues = mOffset < text.size();
    // Structure() answers for the first piece only; later pieces go on with their line.
    mPiece = mPiece == 0 ? 1 : 2;
    return true;
}
