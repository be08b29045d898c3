#pragma once

#include "books/BookReader.h"

#include <deque>
#include <string>
#include <vector>

// A book that says its own structure (HTML, EPUB), handed out as BookLines: a line longer than a piece comes in
// pieces cut after a blank, as a text book's does. The lines are made a part at a time by Produce (an EPUB book
// makes one content document's lines at a time), so the whole book is never held at once.
class StructuredBook : public BookReader {
public:
    bool ReadLine(std::u32string& line) override;
    bool Continues() const override { return mContinues; }
    const BookLine* Structure() const override { return mPiece == 0 ? nullptr : &mLine; }
    bool IsStructured() const override { return true; }
    bool Rewind() override { return false; }  // laid out in one pass: its structure needs no survey
    const std::string& Error() const override { return mError; }
    BookInfo Info() const override { return mInfo; }
    const std::vector<std::string>& Warnings() const override { return mWarnings; }

protected:
    // Appends the next part of the book's lines; false when there are no more.
    virtual bool Produce(std::deque<BookLine>& lines) = 0;

    BookInfo mInfo;
    std::vector<std::string> mWarnings;
    std::string mError;

private:
    std::deque<BookLine> mLines;
    BookLine mLine;            // the line being handed out
    std::size_t mOffset = 0;   // how much of its text is handed out
    std::size_t mPiece = 0;    // pieces of it handed out; 0 before the first line
    bool mContinues = false;
    bool mEnded = false;
};
