#include "engine/BookHeadings.h"
#include "engine/BookLayout.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(BookHeadings, WhatALineSaysAsAHeading)
{
    const struct { const char* line; const char* keyword; int value; const char* title; } cases[] = {
        {"STAVE ONE", "stave", 1, ""}, {"LETTER IV", "letter", 4, ""}, {"  PART II  ", "part", 2, ""},
        {"Stave III:  The Second of the Three Spirits", "stave", 3, "The Second of the Three Spirits"},
        {"Book the First--Recalled to Life", "book", 1, "Recalled to Life"},
        {"BOOK ONE.\u2014THE COMING OF THE MARTIANS", "book", 1, "THE COMING OF THE MARTIANS"},
        {"Chapter TWENTY-ONE", "chapter", 21, ""}, {"CHAPTER THE LAST.", "chapter", 100000, ""},
        {"Chapter 1.2 The road", "chapter", 1, "The road"}, {"Epilogue", "epilogue", 0, ""},
        {"FIRST EPILOGUE: 1813 - 20", "epilogue", 1, "1813 - 20"},
        // a number alone, or with a stop and a title in capitals
        {"I. The Period", "", 1, "The Period"}, {"XII.", "", 12, ""}, {"12", "", 12, ""},
        // not headings: the pronoun, a lower-case title, a year, a word that starts like one, a lower-case
        // heading word, a number running on into a word, a numeral out of form, a line too long
        {"I think so.", nullptr, 0, nullptr}, {"I. the lower title", nullptr, 0, nullptr},
        {"1865.", nullptr, 0, nullptr},       {"Partly cloudy", nullptr, 0, nullptr},
        {"chapter 5", nullptr, 0, nullptr},   {"Book 3rd", nullptr, 0, nullptr},
        {"Part of the way", nullptr, 0, nullptr}, {"IIII", nullptr, 0, nullptr},
        {"CHAPTER 1 and a title far too long to be a heading line of any book that anybody wrote", nullptr, 0,
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto shape = ReadHeadingShape(FromUtf8(c.line));
        ASSERT_EQ(shape.has_value(), c.keyword != nullptr);
        if (!shape)
            continue;
        EXPECT_EQ(ToUtf8(shape->keyword), c.keyword);
        EXPECT_EQ(shape->value, c.value);
        EXPECT_EQ(ToUtf8(shape->title), c.title);
    }
}

// A paragraph of prose, long enough to keep headings apart.
std::vector<std::string> Prose(int lines)
{
    std::vector<std::string> prose;
    for (int i = 0; i < lines; ++i)
        prose.push_back("and so the story went on for a while, as stories do, line " + std::to_string(i));
    prose.push_back("");
    return prose;
}

struct Found {
    std::vector<std::pair<std::size_t, std::string>> headings;  // line and title
    std::vector<std::size_t> contents;
};

// Surveys a book given as lines; a line beginning "CHAPTER " with a Roman numeral is what the mask names.
Found Survey(const std::vector<std::vector<std::string>>& parts)
{
    HeadingSurvey survey;
    std::size_t number = 0;
    for (const auto& part : parts)
        for (const std::string& line : part) {
            const bool mask =
                line.starts_with("CHAPTER ") && line.size() > 8 && std::string("IVXL").find(line[8]) != std::string::npos;
            survey.Add(number++, FromUtf8(line), mask);
        }
    const HeadingSurvey::Found found = survey.Finish();
    Found result;
    for (const auto& [line, heading] : found.headings)
        result.headings.emplace_back(line, ToUtf8(heading.title) + " / " + ToUtf8(heading.label));
    result.contents = found.contents;
    return result;
}

TEST(BookHeadings, HeadingsAndContentsListsOfABook)
{
    using Headings = std::vector<std::pair<std::size_t, std::string>>;
    const auto prose = Prose(40);  // 41 lines
    // Staves listed at the start, then each with its own title line; the list is not headings.
    const Found staves = Survey({{"CONTENTS", "", "STAVE ONE", "", "STAVE TWO", "", "STAVE THREE", "", ""},
                                 {"STAVE ONE", "", "MARLEY'S GHOST", ""}, prose,  // line 9
                                 {"", "STAVE TWO", "", "THE FIRST SPIRIT", ""}, prose,  // line 55
                                 {"", "STAVE THREE", ""}, prose});  // line 101
    EXPECT_EQ(staves.headings, (Headings{{9, "STAVE ONE MARLEY'S GHOST / Stave 1"},
                                         {55, "STAVE TWO THE FIRST SPIRIT / Stave 2"}, {101, "STAVE THREE / Stave 3"}}));

    // Mask headings in a contents list are listed as such; the book's first chapter right after the list is not.
    const Found listed = Survey({{"CHAPTER I. The Start", "", "CHAPTER II. The Middle", "", "CHAPTER III. The End", "",
                                  "CHAPTER I.", ""},
                                 prose, {"CHAPTER II.", ""}, prose, {"CHAPTER III.", ""}, prose});
    EXPECT_EQ(listed.contents, (std::vector<std::size_t>{0, 2, 4}));
    EXPECT_TRUE(listed.headings.empty());

    // Parts with chapters numbered alone under them; a numbered law in the text, a blank line on either side, is
    // not one, and neither is a part list in the front matter.
    std::vector<std::vector<std::string>> parts = {{"PART 1", "", "ONE  THE START", "TWO  THE MIDDLE", "", "PART 2",
                                                    "", "THREE  THE END", "", "", ""}};
    const std::size_t lawLine = 11 + 6 + 41 + 3 + 20;
    parts.push_back({"Book the First--Recalled to Life", "", "", "I. The Period", "", ""});  // line 11
    parts.push_back(prose);
    parts.push_back({"", "II. The Mail", ""});
    parts.push_back(Prose(19));
    parts.push_back({"I. A Fast-Fish belongs to the party fast to it.", ""});  // lawLine
    parts.push_back(prose);
    parts.push_back({"", "", "III. The Night Shadows", ""});
    parts.push_back(prose);
    parts.push_back({"", "", "Book the Second--The Golden Thread", "", "", "I. Five Years Later", "", ""});
    parts.push_back(prose);
    const Found books = Survey(parts);
    std::vector<std::size_t> lines;
    for (const auto& [line, title] : books.headings)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::size_t>{11, 14, 59, lawLine + 43 + 2, lawLine + 43 + 4 + 41 + 2,
                                               lawLine + 43 + 4 + 41 + 5}));
    EXPECT_EQ(books.headings.front().second, "Book the First--Recalled to Life / Book 1");
    EXPECT_EQ(books.headings[1].second, "I. The Period / Ch I");
}

TEST(BookHeadings, TheLibraryMarksItsFrontAndBackMatter)
{
    const struct { const char* line; bool front, back; } cases[] = {
        {"*** START OF THIS PROJECT GUTENBERG EBOOK EMMA ***", true, false},
        {"***START OF THE PROJECT GUTENBERG EBOOK JANE EYRE***", true, false},
        {"*** End of this Project Gutenberg EBook ***", false, true},
        {"End of the Project Gutenberg EBook of Emma, by Jane Austen", false, true},
        {"End of Project Gutenberg's Treasure Island, by Robert Louis Stevenson", false, true},
        {"The End of the story", false, false},
        {"** START OF nothing", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(IsFrontMatterEnd(FromUtf8(c.line)), c.front);
        EXPECT_EQ(IsBackMatterStart(FromUtf8(c.line)), c.back);
    }
}

} // namespace
