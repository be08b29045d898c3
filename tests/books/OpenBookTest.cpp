#include "books/HtmlBook.h"
#include "books/OpenBook.h"
#include "books/StructuredBook.h"

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

TEST(OpenBook, TheFormatIsWhatTheBookHolds)
{
    const struct { std::string head; BookFormat format; } cases[] = {
        {"PK\x03\x04rest"s, BookFormat::Epub},
        {"<!DOCTYPE html>\n<title>x</title>", BookFormat::Html},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<HTML>", BookFormat::Html},
        {"\xEF\xBB\xBF  <?xml version=\"1.0\"?>\n<!-- made by hand -->\n<html xmlns=\"x\">", BookFormat::Html},
        {"\n\n<BODY bgcolor=white>", BookFormat::Html},
        {"\xFF\xFE<\0h\0t\0m\0l\0>\0"s, BookFormat::Html},
        {"<p>A paragraph.</p>", BookFormat::Html},
        // text that merely mentions markup, or starts with a bracket of its own
        {"Chapter 1\r\n<html> is a tag.", BookFormat::Text},
        {"<<The Title>>\r\n", BookFormat::Text},
        {"<paul> said hello", BookFormat::Text},
        {"<!-- never closed", BookFormat::Text},
        {"", BookFormat::Text},
        {"PK but not a zip", BookFormat::Text},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DetectBookFormat(c.head), c.format) << testing::PrintToString(c.head);
}

TEST(OpenBook, TheEncodingOfAnHtmlDocument)
{
    const struct { std::string bytes; const char* encoding; } cases[] = {
        {"\xEF\xBB\xBF<html>", "UTF-8"},
        {"\xFF\xFE<\0"s, "UTF-16LE"},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><html>", "iso-8859-1"},
        {"<html><head><meta charset=\"windows-1250\">", "windows-1250"},
        {"<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">", "iso-8859-1"},
        {"<html><p>caf\xC3\xA9</p>", "UTF-8"},   // says nothing, reads as UTF-8
        {"<html><p>caf\xE9</p>", "CP1250"},       // says nothing, is not UTF-8: the chosen code page
    };
    for (const auto& c : cases)
        EXPECT_EQ(HtmlEncoding(c.bytes, "CP1250"), c.encoding) << testing::PrintToString(c.bytes);
}

// Lines made by hand, to see how a structured book hands them out.
class HandMadeBook : public StructuredBook {
public:
    explicit HandMadeBook(std::vector<BookLine> lines) : mMade(std::move(lines)) {}
    std::uint64_t Size() const override { return 0; }
    std::uint64_t BytesConsumed() const override { return 0; }
    std::string FormatName() const override { return "made"; }

protected:
    bool Produce(std::deque<BookLine>& lines) override
    {
        if (mMade.empty())
            return false;
        lines.push_back(mMade.front());  // one line a part, as a document at a time would come
        mMade.erase(mMade.begin());
        return true;
    }

private:
    std::vector<BookLine> mMade;
};

TEST(OpenBook, AStructuredBookHandsOutItsLinesAndLongOnesInPieces)
{
    std::u32string words;
    while (words.size() < 150000)
        words += U"word ";
    HandMadeBook book({{BookLine::Start::Chapter, U"", U"One"}, {BookLine::Start::Paragraph, words, U""},
                       {BookLine::Start::Row, U"kept", U""}});
    std::vector<std::pair<BookLine::Start, std::u32string>> read;
    bool continued = false;
    for (std::u32string line; book.ReadLine(line);) {
        ASSERT_NE(book.Structure(), nullptr);
        if (continued)
            read.back().second += line;
        else
            read.emplace_back(book.Structure()->start, line);
        EXPECT_LE(line.size(), 65536u);
        continued = book.Continues();
        EXPECT_TRUE(!continued || line.back() == U' ');  // cut after a blank
    }
    EXPECT_EQ(read, (std::vector<std::pair<BookLine::Start, std::u32string>>{
                        {BookLine::Start::Chapter, U""}, {BookLine::Start::Paragraph, words}, {BookLine::Start::Row, U"kept"}}));
}

} // namespace
