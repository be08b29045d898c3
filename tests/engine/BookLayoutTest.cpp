#include "RunFixture.h"
#include "engine/BookLayout.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace {

std::u32string Rows(std::initializer_list<const char*> rows)
{
    const std::string text = Lines(rows, "\n");
    return FromUtf8(text.substr(0, text.size() - 1));
}

BookLayout Survey(const std::string& book)
{
    BookSurvey survey(false);
    std::size_t from = 0;
    while (from < book.size()) {
        const std::size_t end = book.find("\r\n", from);
        survey.Add(FromUtf8(book.substr(from, end - from)));
        from = end + 2;
    }
    return survey.Result();
}

// Small books of each layout, wrapped by their own author at 32 to 38 characters.
const std::string kBlankLines = Lines({
    "It was late when the lamp-mender", "came down from the hills. She had", "walked all day, and the road was",
    "long. Mr. Aske was at the gate.", "", "He asked her where she had been all", "this time. She said nothing at all",
    "and went in."});
const std::string kIndented = Lines({
    "   It was late when the lamp-mender", "came down from the hills. She had", "walked all day, and the road was",
    "long. Mr. Aske was at the gate.", "   He asked her where she had been", "all this time. She said nothing at",
    "all and went in.", "   In the morning the rain had", "stopped."});
const std::string kPoem = Lines({
    "The boy sat on the wall by the ferry", "and watched her mend the lamp. When", "the wick took, she began to sing:",
    "", "   The road goes down to Corran,", "   The river runs beside,", "   And every lamp along it",
    "   Is burning for the tide.", "", "When she had done, the boy clapped", "his hands and ran off to the river."});
const std::string kLetter = Lines({
    "Dear Ines,", "", "I have kept the lantern trimmed, as I", "promised your grandfather I would, and",
    "I shall keep it so.", "Yours ever,", "Odile"});
const std::string kDialogue = Lines({
    "\"You must know,\" said Elizabeth,", "\"that I never cared for him at all;",
    "but let us now return to Mr. Bingley,", "who is kind to us, and leave Mr.", "Darcy to himself, as we agreed with",
    "Mr. Collins.\"", "", "\"Then you must ask Mr. Bingley,\" said", "Jane, \"for I cannot answer for Mr.",
    "Darcy, and I will not answer for Mr.", "Collins at all.\""});

TEST(BookLayout, TheSurveyLearnsTheLayout)
{
    // The usual width is the widest width most pairs of lines agree with.
    const BookLayout indented = Survey(kIndented);
    EXPECT_EQ(std::tuple(indented.paragraphs, indented.paragraphIndent, indented.usualWidth),
              std::tuple(BookLayout::Paragraphs::Indented, 3, 37));
    const BookLayout unwrapped = Survey(Lines({
        "A line of its own that runs on for a while, as long as the writer pleased, and then some more.", "Short.",
        "Another line, a good deal longer than the one before it, and not wrapped at all, since the writer left the "
        "wrapping to whatever program would show it.",
        "And one more of a middling length, to end."}));
    EXPECT_EQ(std::pair(unwrapped.paragraphs, unwrapped.usualWidth), std::pair(BookLayout::Paragraphs::Lines, 0));
}

TEST(BookLayout, WhereALineStarts)
{
    BookLayout blank, indented, lines;
    blank.usualWidth = 35;  // a seventh of it is 5
    indented.usualWidth = 35, indented.paragraphs = BookLayout::Paragraphs::Indented, indented.paragraphIndent = 3;
    lines.paragraphs = BookLayout::Paragraphs::Lines;
    const std::string full(33, 'x');
    const struct { const BookLayout& layout; std::string previous; bool blankBefore; const char* line; BookBreak where; }
        cases[] = {
            {blank, "", false, "The first line", BookBreak::Paragraph},
            {blank, "short", true, "after a blank", BookBreak::Paragraph},
            // a full line joins, whatever it ends with
            {blank, full.substr(0, 30) + " Mr.", false, "Bingley came", BookBreak::Join},
            // clearly short: the word fits with 5 to spare (24 + 1 + 5 = 30)
            {blank, std::string(24, 'x'), false, "Yours ever,", BookBreak::Row},
            {blank, std::string(25, 'x'), false, "Yours ever,", BookBreak::Join},
            // an early wrap of prose joins; a change of indent needs only room for the word
            {blank, std::string(28, 'x'), false, "word", BookBreak::Join},
            {blank, std::string(28, 'x'), false, "      Odile", BookBreak::Row},
            {blank, "   " + std::string(26, 'x'), false, "   word", BookBreak::Row},
            {indented, full, false, "   A new paragraph", BookBreak::Paragraph},
            {indented, "   " + full, false, "continued", BookBreak::Join},
            {indented, "   " + full.substr(0, 31), false, "   word", BookBreak::Join},
            {indented, "   Yes.", false, "   No.", BookBreak::Paragraph},
            {lines, std::string(200, 'x'), false, "every line", BookBreak::Paragraph},
        };
    for (const auto& c : cases)
        EXPECT_EQ(BookLineStart(c.layout, FromUtf8(c.previous), c.blankBefore, FromUtf8(c.line)), c.where)
            << "\"" << c.previous << "\" then \"" << c.line << "\"";
}

// The default canvas holds 45 characters a row.
TEST(BookParagraphs, SmallBooksGiveTheRowsOfTheirOwnParagraphs)
{
    const struct { const char* name; std::string book; std::u32string rows; } cases[] = {
        {"blank lines", kBlankLines,
         Rows({"It was late when the lamp-mender came down ", "from the hills. She had walked all day, and ",
               "the road was long. Mr. Aske was at the gate.", "", "He asked her where she had been all this ",
               "time. She said nothing at all and went in."})},
        {"indented", kIndented,
         Rows({"   It was late when the lamp-mender came ", "down from the hills. She had walked all day, ",
               "and the road was long. Mr. Aske was at the ", "gate.", "", "   He asked her where she had been all this ",
               "time. She said nothing at all and went in.", "", "   In the morning the rain had stopped."})},
        {"a poem inside prose", kPoem,
         Rows({"The boy sat on the wall by the ferry and ", "watched her mend the lamp. When the wick ",
               "took, she began to sing:", "", "   The road goes down to Corran,", "   The river runs beside,",
               "   And every lamp along it", "   Is burning for the tide.", "",
               "When she had done, the boy clapped his hands ", "and ran off to the river."})},
        {"a letter", kLetter,
         Rows({"Dear Ines,", "", "I have kept the lantern trimmed, as I", "promised your grandfather I would, and I ",
               "shall keep it so.", "Yours ever,", "Odile"})},
        {"dialogue", kDialogue,
         Rows({"\"You must know,\" said Elizabeth, \"that I ", "never cared for him at all; but let us now ",
               "return to Mr. Bingley, who is kind to us, ", "and leave Mr. Darcy to himself, as we agreed ",
               "with Mr. Collins.\"", "", "\"Then you must ask Mr. Bingley,\" said Jane, ",
               "\"for I cannot answer for Mr. Darcy, and I ", "will not answer for Mr. Collins at all.\""})},
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.Set({{"chkBookParas", "1"}});
        f.Book(c.book);
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished) << c.name;
        ASSERT_EQ(f.host.pages.size(), 1u) << c.name;
        EXPECT_EQ(ToUtf8(f.host.pages[0]), ToUtf8(c.rows)) << c.name;
    }
}

TEST(BookParagraphs, APageBeginsWithText)
{
    std::string paragraphs;
    for (int i = 0; i < 12; ++i)
        paragraphs += "A paragraph of one line, number " + std::to_string(i) + ".\r\n\r\n";
    for (const std::string& book : {paragraphs, Lines({"Chapter 1.1 The road", "", "", "A first line."})}) {
        RunFixture f;
        f.Set({{"chkBookParas", "1"}});
        f.Book(book);
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        ASSERT_GE(f.host.pages.size(), 2u);
        for (const auto& page : f.host.pages)  // the page before the chapter holds nothing
            EXPECT_TRUE(page.empty() || page.substr(0, 2) == U"A ") << ToUtf8(page);
    }
}

// Only the first start marker and the first end marker count; the lines outside them are read and counted all the
// same (the document pages, the bytes read).
TEST(BookParagraphs, FrontAndBackMatterAreLeftOutButCounted)
{
    const std::string front = Lines({"The licence, page one.", "\f", "*** START OF THE STORY ***"});
    const std::string body = Lines({"Once upon a time.", "\f", "*** START OF again", "The end."});
    const std::string back = Lines({"*** END OF THE STORY ***", "More licence.", "\f", "*** END OF again"});
    const struct { bool skip; std::string book; const char32_t* rows; int documentPages; } cases[] = {
        {true, front + body + back, U"\nOnce upon a time.\n*** START OF again\nThe end.", 4},
        {true, front + body, U"\nOnce upon a time.\n*** START OF again\nThe end.", 3},
        {true, Lines({"No start marker.", "*** END OF it", "Licence."}), U"\nNo start marker.", 1},
        {false, front + body + back, U"\nThe licence, page one.\n*** START OF THE STORY ***\nOnce upon a time.\n*** START OF "
                                     U"again\nThe end.\n*** END OF THE STORY ***\nMore licence.\n*** END OF again", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.book));
        RunFixture f;
        f.Set({{"chkFrontBack", c.skip ? "1" : "0"}, {"chkSmartLF", "0"}, {"chkDocPageNr", "1"}});
        f.Book(c.book);
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        ASSERT_EQ(f.host.pages.size(), 1u);
        EXPECT_EQ(ToUtf8(f.host.pages[0]), ToUtf8(c.rows));
        EXPECT_EQ(f.state.DocumentPage, c.documentPages);
        EXPECT_EQ(f.state.BytesRead, c.book.size());
    }
}

} // namespace
