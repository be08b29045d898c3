#include "engine/Masks.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u32string U(const char* utf8) { return FromUtf8(utf8); }

constexpr const char* kChapterMask = "Chapter*[0-9 ]#.[0-9 ]*";
constexpr const char* kParagraphMask = "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?";

bool MarksChapterNine(std::u32string_view line) { return line.starts_with(U"Chapter 9"); }

TEST(MatchesMask, PatternElementsAndTheDefaultMasks)
{
    const struct { const char* mask; const char* text; bool expected; } cases[] = {
        {"", "", true}, {"", "a", false}, {"?", "", false}, {"*", "", true}, {"*?", "", false},
        // literals: the whole text, case-sensitively
        {"abc", "abc", true}, {"abc", "ab", false}, {"ab", "abc", false}, {"abc", "ABC", false},
        {"a?c", "abc", true}, {"a?c", "ac", false}, {"a?c", "abbc", false},
        {"a*c", "ac", true}, {"a*c", "abbbc", true}, {"a*c", "abcd", false},
        // a star that took too little must give back and take more
        {"*ab", "aab", true}, {"a*b*c", "abxbyc", true}, {"*a*b", "aaba", false},
        {"#", "7", true}, {"#", "x", false}, {"#", "\u0663", false},  // an Arabic-Indic digit is not 0-9
        {"[abc]", "b", true}, {"[abc]", "d", false}, {"[abc]", "ab", false},
        {"[a-c]", "a", true}, {"[a-c]", "c", true}, {"[a-c]", "d", false}, {"[a-cx-z]", "y", true},
        {"[c-a]", "b", false}, {"[!a-c]", "d", true}, {"[!a-c]", "b", false}, {"[!abc]", "", false},
        {"[]", "a", false}, {"[!]", "a", true},
        // ? * # [ are themselves inside a list
        {"[?]", "x", false}, {"[*]", "ab", false}, {"[#]", "#", true}, {"[#]", "5", false}, {"[[]", "[", true},
        {"a[*]b", "a*b", true},
        // a hyphen first or last is itself
        {"[-a]", "-", true}, {"[a-]", "-", true}, {"[a-]", "b", false}, {"[a-c-]", "-", true}, {"[a-c-]", "b", true},
        // ] outside a list, ! not opening one, [ never closed
        {"]", "]", true}, {"!a", "!a", true}, {"a!", "a", false}, {"[ab", "[ab", true}, {"[ab", "xab", false},
        // the default heading masks; the paragraph test puts a blank in front of the line
        {kChapterMask, "Chapter 1.2 The road", true}, {kChapterMask, "Chapter 12. The road", true},
        {kChapterMask, "Chapter 3.1", true}, {kChapterMask, "Chapter one", false}, {kChapterMask, "chapter 1.1", false},
        {kChapterMask, "Chapter 1.", false}, {kChapterMask, "In Chapter 1.2 we saw", false},
        {kParagraphMask, " 1.2 Title", true}, {kParagraphMask, "1.2 Title", false}, {kParagraphMask, " 1.2", false},
        {kParagraphMask, " 1.2 X", true}, {kParagraphMask, " Prose ending here.", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(U(c.text), U(c.mask)), c.expected) << "mask \"" << c.mask << "\", text \"" << c.text << '"';
    // Many stars over a long text finish.
    EXPECT_FALSE(MatchesMask(std::u32string(100000, U'a'), U"*a*a*a*a*a*a*b"));
    EXPECT_TRUE(MatchesMask(std::u32string(100000, U'a') + U"b", U"*a*a*a*a*a*a*b"));
}

// A [ never closed matches as itself (above), but a mask typed with one is reported, saying where.
TEST(MaskSyntaxError, AnUnclosedListIsFoundWhereItOpens)
{
    const struct { const char* mask; const char* where; } cases[] = {
        {"", nullptr}, {"Chapter*[0-9 ]#.[0-9 ]*", nullptr}, {"[]", nullptr}, {"[!]", nullptr}, {"[[]", nullptr},
        {"]", nullptr}, {"[]]", nullptr}, {"[a-", "character 1 "}, {"[!", "character 1 "}, {"[", "character 1 "},
        {"Chapter [0-9", "character 9 "}, {"[a]x[", "character 5 "}, {"é[a", "character 2 "},
    };
    for (const auto& c : cases) {
        const std::string error = MaskSyntaxError(U(c.mask));
        if (!c.where)
            EXPECT_EQ(error, "") << c.mask;
        else
            EXPECT_NE(error.find(c.where), std::string::npos) << c.mask << ": " << error;
    }
}

TEST(IsMostlyLetters, HalfTheCharactersMustBeLetters)
{
    const struct { const char* text; bool expected; } cases[] = {
        // exactly half, and just under; blanks count in the length; letters of any script count, quotes do not
        {"", false}, {"   ", false}, {"ABC", true}, {"a1", true}, {"a12", false}, {"  ab", true}, {"   ab", false},
        {"ééa", true}, {"Жж1", true}, {"«é»", false},
        // digits of other scripts are digits, not letters: Arabic-Indic, Devanagari, full-width
        {"ب١٢", false}, {"ب١", true}, {"क१२", false}, {"Ａ１２", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsMostlyLetters(U(c.text)), c.expected) << '"' << c.text << '"';
}

TEST(FormatNumber, NumberTexts)
{
    const struct { const char* text; const char* format; const char* expected; } cases[] = {
        {"1.2", "00.0", "01.2"}, {"12.", "00.0", "12.0"}, {"123.45", "00.0", "123.5"}, {"-1.2", "00.0", "-01.2"},
        {"007", "#", "7"},       {"5", "#00", "05"},      {"0", "#", "0"},           {"0.5", "#.0", "0.5"},
        {"12.5", ".00", "12.50"}, {".5", "0.0", "0.5"},   {"  7 ", "00", "07"},      {"+3", "0", "3"},
        {"12", "#.##", "12.00"},
        // rounding half away from zero on the digits
        {"3.25", "0.0", "3.3"}, {"3.24", "0.0", "3.2"}, {"2.5", "0", "3"},  {"9.96", "0.0", "10.0"},
        {"-0.05", "0.0", "-0.1"}, {"-0.04", "0.0", "0.0"}, {"1.25", "0.#", "1.3"},
        {"0.123456789012345678901", "0.00000000000000000000", "0.12345678901234567890"},
        // other format characters stay where they stand
        {"123", "0-00", "1-23"}, {"1.2", "Ch 00.0", "Ch 01.2"}, {"42", "0.0%", "42.0%"}, {"12", "abc", "abc12"},
        {"12", "00.", "12."},
        // texts that are not numbers, and the empty format
        {"abc", "00", "abc"}, {"1.2.3", "00", "1.2.3"}, {"1 2", "0", "1 2"}, {"", "00", ""},
        {"-", "0", "-"},      {".", "0", "."},          {"1.2", "", "1.2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToUtf8(FormatNumber(U(c.text), U(c.format))), c.expected)
            << "text \"" << c.text << "\", format \"" << c.format << '"';
    EXPECT_EQ(ToUtf8(FormatNumber(-5, U"00")), "-05");  // the whole-number form
}

TEST(TitleRoom, HeaderNumbersTakeTheirWidth)
{
    const struct { HeadingContext context; int expected; } cases[] = {
        {{.charsPerLine = 40, .fileNumbersOn = true, .documentPagesOn = true}, 15},
        {{.charsPerLine = 40, .fileNumbersOn = false, .documentPagesOn = false}, 38},
        {{.charsPerLine = 40, .fileNumbersOn = false, .documentPagesOn = true}, 26},
        {{.charsPerLine = 40, .fileNumber = 123456, .fileNumbersOn = true, .documentPagesOn = false}, 26},
        {{.charsPerLine = 10, .fileNumbersOn = true, .documentPagesOn = true}, -15},  // a narrow canvas
    };
    for (const auto& c : cases)
        EXPECT_EQ(TitleRoom(c.context), c.expected) << c.context.charsPerLine << " " << c.context.fileNumber;
}

TEST(SplitChapterHeading, NumberAndRest)
{
    const struct { const char* line; const char* number; const char* rest; } cases[] = {
        {"Chapter 1.2 The road", "1.2", " The road"}, {"Chapter 7 begins", "7", " begins"}, {"Chapter 12", "12", ""},
        // the rest starts at the first blank from the ninth character on, wherever the number ends
        {"Chapter  1.2 Two", "1.2", " 1.2 Two"}, {"Chapter 5 of 7. End", "5 of 7.", " of 7. End"},
        {"Chapter", "", ""}, {"", "", ""}, {"Mr. Chapter one", "", " one"},
    };
    for (const auto& c : cases) {
        const ChapterHeadingParts parts = SplitChapterHeading(U(c.line));
        EXPECT_EQ(ToUtf8(parts.number), c.number) << '"' << c.line << '"';
        EXPECT_EQ(ToUtf8(parts.rest), c.rest) << '"' << c.line << '"';
    }
}

struct HeadingCase {
    const char* name;
    HeadingContext context;
    const char *line, *previousLine;
    bool found;
    const char *title = "", *label = "", *chapterMask = kChapterMask, *paragraphMask = kParagraphMask;
};

// charsPerLine 60 with the file number on leaves 47 characters of title.
TEST(DetectHeading, ChaptersAndParagraphs)
{
    const HeadingCase cases[] = {
        {"after an empty line", {.charsPerLine = 60}, "Chapter 1.2 The road", "", true, "CH 01.2 THE ROAD", "Ch 01.2"},
        {"after a line of blanks", {.charsPerLine = 60}, "Chapter 1.2 The road", "   ", true, "CH 01.2 THE ROAD",
         "Ch 01.2"},
        {"after prose", {.charsPerLine = 60}, "Chapter 1.2 The road", "It was a dark and stormy night.", false},
        {"marked phrase", {.charsPerLine = 60, .isMarkedPhrase = MarksChapterNine}, "Chapter 9.1 Gone", "***", false},
        {"unmarked beside a marking callback", {.charsPerLine = 60, .isMarkedPhrase = MarksChapterNine},
         "Chapter 8.1 Here", "***", true, "CH 08.1 HERE", "Ch 08.1"},
        {"chapters switched off", {.charsPerLine = 60, .chapterOn = false}, "Chapter 1.2 The road", "***", false},
        // an empty mask would match the empty line
        {"empty chapter mask", {.charsPerLine = 60}, "", "***", false, "", "", ""},
        {"ends right after the number", {.charsPerLine = 60}, "Chapter 3.1", "", true, "CH 03.1", "Ch 03.1"},
        {"Unicode capitals", {.charsPerLine = 60}, "Chapter 1.1 Café", "", true, "CH 01.1 CAFÉ", "Ch 01.1"},
        {"cut to the room, then capitals", {.charsPerLine = 23}, "Chapter 1.2 The road", "", true, "CH 01.2 TH",
         "Ch 01.2"},
        {"no room left", {.charsPerLine = 5, .documentPagesOn = true}, "Chapter 1.2 The road", "", true, "", "Ch 01.2"},
        {"own mask and format", {.charsPerLine = 60, .format = U"000"}, "Chapter 7 begins", "", true, "CH 007 BEGINS",
         "Ch 007", "Chapter #*"},
        {"number that is no number", {.charsPerLine = 60}, "Chapter 5 of 7. End", "", true, "CH 5 OF 7. OF 7. END",
         "Ch 5 of 7."},
        // paragraphs
        {"after an empty line, in its own case", {.charsPerLine = 60}, "1.2 The Road to café", "", true,
         "Par 1.2 The Road to café", "Par 01.2"},
        {"after a line of blanks", {.charsPerLine = 60}, "1.2 Title", "   ", false},
        {"paragraphs switched off", {.charsPerLine = 60, .paragraphOn = false}, "1.2 Title", "", false},
        {"empty paragraph mask", {.charsPerLine = 60}, "1.2 Title", "", false, "", "", kChapterMask, ""},
        {"cut to the room, case kept", {.charsPerLine = 23}, "1.2 Title", "", true, "Par 1.2 Ti", "Par 01.2"},
        {"no room left", {.charsPerLine = 13}, "1.2 Title", "", true, "", "Par 01.2"},
        {"no blank after the number", {.charsPerLine = 60}, "1.23x", "", true, "Par 1.23x", "Par ", kChapterMask, "*#.#*"},
        // the paragraph test does not look at marked phrases
        {"a marked chapter line", {.charsPerLine = 60, .isMarkedPhrase = MarksChapterNine}, "Chapter 9.1 Gone", "",
         true, "Par Chapter 9.1 Gone", "Par Chapter 9.1 "},
        {"a chapter wins over a paragraph", {.charsPerLine = 60}, "Chapter 2.5 Both", "", true, "CH 02.5 BOTH",
         "Ch 02.5"},
    };
    for (const HeadingCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::u32string title = U"Ch 00.0 Introduction", label = U"Ch 00.0";
        EXPECT_EQ(DetectHeading(c.context, U(c.line), U(c.previousLine), U(c.chapterMask), U(c.paragraphMask), title,
                                label),
                  c.found);
        EXPECT_EQ(ToUtf8(title), c.found ? c.title : "Ch 00.0 Introduction");
        EXPECT_EQ(ToUtf8(label), c.found ? c.label : "Ch 00.0");
    }
}

} // namespace
