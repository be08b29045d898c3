#include "base/Text.h"
#include "engine/TextCleanup.h"
#include "settings/SettingsModel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::u32string U(const char* utf8) { return FromUtf8(utf8); }

// Every character 6 pixels wide, so widths below are counted in characters.
float SixPerCharacter(std::u32string_view text) { return 6.0f * static_cast<float>(text.size()); }

struct Line {
    std::string text;
    const char* lastChar;
    long previousLineWidth = 0, referenceWidth = 300;
    const char* previousFirstChar = "";
    bool smart = true;
};

LineStart Evaluate(const Line& l)
{
    const std::u32string text = U(l.text.c_str()), lastChar = U(l.lastChar), previousFirstChar = U(l.previousFirstChar);
    return EvaluateLineStart({text, SixPerCharacter(text), l.previousLineWidth, l.referenceWidth, previousFirstChar,
                              lastChar, l.smart, SixPerCharacter});
}

TEST(TextCleanup, CharacterClasses)
{
    const struct { const char* s; bool capital, lower, digit; } cases[] = {
        {"Q", true, false, false}, {"É", true, false, false}, {"Ж", true, false, false}, {"q", false, true, false},
        {"é", false, true, false}, {"ß", false, true, false}, {"(", false, true, false}, {")", false, true, false},
        {",", false, true, false},
        {"9", false, false, true}, {"٣", false, false, false},  // an Arabic-Indic three is no decimal digit here
        {"", false, false, false}, {";", false, false, false}, {"’", false, false, false}, {"ab", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(IsCapital(U(c.s)), c.capital);
        EXPECT_EQ(IsLowerClass(U(c.s)), c.lower);
        EXPECT_EQ(IsDigit(U(c.s)), c.digit);
    }
    EXPECT_TRUE(EndsSentence(U".") && EndsSentence(U"?") && EndsSentence(U":"));
    EXPECT_FALSE(EndsSentence(U"!") || EndsSentence(U";") || EndsSentence(U""));
}

TEST(TextCleanup, NewPageCharacterFromItsCode)
{
    const struct { const char* code; std::optional<char32_t> character; } cases[] = {
        {"12", U'\f'}, {" 12 ", U'\f'}, {"65", U'A'}, {"233", U'é'}, {"", std::nullopt}, {"0", std::nullopt},
        {"abc", std::nullopt}, {"12a", std::nullopt}, {"-12", std::nullopt}, {"1114112", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(NewPageCharacter(U(c.code)), c.character);
    }
    EXPECT_TRUE(IsNewPageLine(U"end of page\f", U'\f') && IsNewPageLine(U"\f", U'\f'));
    EXPECT_FALSE(IsNewPageLine(U"no mark here", U'\f') || IsNewPageLine(U"\f", std::nullopt));
}

TEST(TextCleanup, SkipAsciiBelow32)
{
    const struct { std::u32string line; std::optional<char32_t> newPage; std::u32string kept; } cases[] = {
        {U"one\ttwo", U'\f', U"one two"},
        {U"\x01" U"a\x1b[1mb\x1f", U'\f', U"a[1mb"},
        {U"end of page\f", U'\f', U"end of page\f"},  // the new-page character stays for its rule
        {U"end of page\f", U'A', U"end of page"},
        {U"\x7f é", U'\f', U"\x7f é"},  // nothing from 32 on
        {U"\t\t", std::nullopt, U"  "},
        {U"one\ttwo\x01", U'\t', U"one\ttwo"},  // a tab chosen as the new-page character is that, not a blank
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutControlCharacters(c.line, c.newPage), c.kept) << ToUtf8(c.line);
}

TEST(TextCleanup, MarkedPhrases)
{
    const auto phrases = DefaultMarkedPhrases();
    const struct { const char* line; bool marked; } cases[] = {
        {"NEXT > Chapter 2", true}, {"NEXT > ", true},  {"NEXT", true},   {"NEXT >", true},  {"N", true},
        {"< BACK", true},           {".", true},        {"  .  ", true},  {"\f", true},  {"\fmore", true},
        {"", false},                {"NEXT>", false},   {"Next > ", false}, {" NEXT > ", false},
        {"NEXT ? more", false},     {"Chapter 1", false}, {"It ended.", false}, {"page\f", false},
        // "." is punctuation only: it marks a line that is nothing else, never story text that begins with it
        {"... and so", false},      {"...", false},     {". . . . .", false}, {".5 of them", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(IsMarkedPhrase(U(c.line), true, phrases), c.marked);
        EXPECT_FALSE(IsMarkedPhrase(U(c.line), false, phrases));
    }
    // The converter's notice broken over two lines loses its first part.
    EXPECT_TRUE(IsMarkedPhrase(phrases[1].substr(0, phrases[1].size() / 2), true, phrases));
    // Element 0 and empty phrases mark nothing.
    const std::vector<std::u32string> own = {U"Chapter", U"", U"Fin"};
    EXPECT_FALSE(IsMarkedPhrase(U"Chapter 1", true, own) || IsMarkedPhrase(U"anything", true, own));
    EXPECT_TRUE(IsMarkedPhrase(U"Finis", true, own) && IsMarkedPhrase(U"Fi", true, own));
    // A phrase of punctuation and blanks is matched whole against the trimmed line; one with a digit is not.
    const std::vector<std::u32string> rules = {U"", U"* * *", U"-- 1 --"};
    EXPECT_TRUE(IsMarkedPhrase(U"   * * *", true, rules) && IsMarkedPhrase(U"-- 1 -- and on", true, rules));
    EXPECT_FALSE(IsMarkedPhrase(U"* * * and then", true, rules) || IsMarkedPhrase(U"*", true, rules));
}

TEST(TextCleanup, NewRowOrJoin)
{
    const struct { Line line; bool newRow; } cases[] = {
        // a sentence ended, then a capital or a digit: new row whatever the widths
        {{"The end came.", ".", 290}, true}, {{"3 men", "?", 290}, true}, {{"The list", ":", 290}, true},
        {{"1. item", ":", 290}, true}, {{"  Élise vint", ".", 290}, true},
        // small letter to small letter (accented ones too, and "(),"): joined whatever the widths
        {{"went on", "e", 60}, false}, {{"went on", "e", 290}, false}, {{"(see below", ")", 60}, false},
        {{"and then", ",", 60}, false}, {{"éloquence de", "e", 60}, false}, {{"suite du récit", "é", 60}, false},
        // a short previous line that the first word would have followed: the source broke the line there
        {{"and then", ".", 60}, true}, {{"Then he", ",", 60}, true},
        // ...unless the first word would not have fitted: " and" is 24 pixels, " x" 12
        {{"and then", ".", 290}, false}, {{"x yz", "5", 288}, true}, {{"x yz", "5", 289}, false},
        // a line without a first word (no blank, or a blank first) joins
        {{"Then", ",", 60}, false}, {{"  Indented line", ",", 60}, false},
        // the first line of a book
        {{"Hello world", "", 0}, false},
        // smart line feeds off: every non-blank line is a new row
        {{"went on", "e", 60, 300, "", false}, true}, {{"and then", ".", 290, 300, "", false}, true},
        {{"Hello world", "", 0, 300, "", false}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.line.lastChar << "\" then \"" << c.line.text << "\" after "
                                        << c.line.previousLineWidth << " px" << (c.line.smart ? "" : ", smart off"));
        EXPECT_EQ(StartsNewRow(Evaluate(c.line), U(c.line.lastChar)), c.newRow);
    }
}

TEST(TextCleanup, BlankLineBreaks)
{
    // 35 blanks are 210 pixels, 0.7 of the reference 300: not short; 34 are
    const std::string wideBlanks(40, ' '), notShort(35, ' '), isShort(34, ' ');
    const struct { std::string line; const char* lastChar; const char* previousFirstChar; int blankCount; bool breaks; }
        cases[] = {
            {"", "", "", 0, true},         {"", "e", "", 0, true},         {"", ".", "", 1, false},
            {"", "e", "", 2, false},       {wideBlanks, "e", "", 0, false}, {wideBlanks, ".", "", 0, true},
            {wideBlanks, ":", "", 0, true}, {wideBlanks, "e", "4", 0, true}, {wideBlanks, ".", "", 1, false},
            {notShort, "e", "", 0, false}, {isShort, "e", "", 0, true},
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.line.size() << " blanks after \"" << c.lastChar << "\", count "
                                        << c.blankCount);
        const LineStart start = Evaluate({c.line, c.lastChar, 200, 300, c.previousFirstChar});
        EXPECT_EQ(BlankLineBreaks(start, c.blankCount, U(c.lastChar)), c.breaks);
    }
}

} // namespace
