#include "settings/MaskTester.h"
#include "settings/PhraseEditor.h"
#include "settings/SettingsModel.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using Phrases = std::vector<std::u32string>;

TEST(PhraseEditor, TextAndBack)
{
    const Phrases defaults = DefaultMarkedPhrases();
    EXPECT_EQ(TextToPhrases(PhrasesToText(defaults)), defaults);  // confirming without a change keeps the list
    EXPECT_EQ(PhrasesToText({U"", U"a", U"b"}), "a\r\n\r\nb\r\n\r\n");

    const struct { const char* text; Phrases expected; } cases[] = {
        {"one\r\n\r\ntwo\r\n", {U"", U"one", U"two"}},
        {"one\r\n   \r\n", {U"", U"one", U"   "}},  // a line of blanks is a phrase
        {"one\ntwo\rthree", {U"", U"one", U"two", U"three"}},  // the last line counts without a line break
        {"", {U""}},
        {"\r\n\r\n", {U""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToPhrases(c.text), c.expected) << c.text;
}

TEST(MaskTester, MessagesAndColours)
{
    const struct { const char* mask; const char* text; const char* error; const char* label; int red; } cases[] = {
        {"Chapter*[0-9 ]#.[0-9 ]*", "Chapter 1.2 The road", "", "OK! Match", 0},
        {"Chapter*[0-9 ]#.[0-9 ]*", "chapter 1.2 The road", "", "No Match", 255},
        // The run puts a blank in front of a line for the paragraph test; the tester takes the text as typed.
        {"*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "1.2 Title", "", "No Match", 255},
        {"*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", " 1.2 Title", "", "OK! Match", 0},
        {"", "text", "ERROR: Empty Mask Text string", "No Match", 255},
        {"*", "", "ERROR: Empty TextToTest string", "No Match", 255},
    };
    for (const auto& c : cases) {
        const MaskTestResult r = TestMask(c.mask, c.text);
        EXPECT_EQ(std::tuple(r.error, r.label, r.background.red, r.background.green),
                  std::tuple(c.error, c.label, c.red, 255 - c.red)) << c.mask << " / " << c.text;
    }
}

TEST(MaskTester, HandBack)
{
    const struct { const char* leftBox; bool ok; const char* chapter; const char* paragraph; const char* message; } cases[] = {
        {"txtChaptMask", true, "Part #*", "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "Mask loaded"},
        {"txtParagrMask", true, "Chapter*[0-9 ]#.[0-9 ]*", "Part #*", "Mask loaded"},
        {nullptr, true, "Part #*", "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "Mask loaded"},  // no box left yet: chapter
        {"txtParagrMask", false, "Chapter*[0-9 ]#.[0-9 ]*", "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "Nothing done"},
    };
    for (const auto& c : cases) {
        SettingsModel settings;
        if (c.leftBox)
            settings.LeaveText(c.leftBox);
        EXPECT_EQ(OpenMaskTester(settings), c.leftBox ? settings.Value(c.leftBox) : "");
        CloseMaskTester(settings, c.ok, "Part #*");
        EXPECT_EQ(settings.LastMask(), c.ok ? "Part #*" : "");
        ApplyMaskTesterResult(settings);
        EXPECT_EQ(std::tie(settings.Value("txtChaptMask"), settings.Value("txtParagrMask"), settings.Value("txtMsg")),
                  std::tuple(c.chapter, c.paragraph, c.message));
    }
}

} // namespace
