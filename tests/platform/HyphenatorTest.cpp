#include "platform/Hyphenator.h"
#include "base/Text.h"

#include <gtest/gtest.h>

namespace {

// The word with "=" where a hyphen may be added and "|" where it breaks after a hyphen of its own.
std::string Marked(const Hyphenator& hyphenator, const std::string& word)
{
    const std::u32string text = FromUtf8(word);
    const auto breaks = hyphenator.BreakPoints(text);
    std::u32string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (next < breaks.size() && breaks[next].after == i + 1)
            out += breaks[next++].addHyphen ? U'=' : U'|';
    }
    return ToUtf8(out);
}

TEST(Hyphenator, WhereWordsBreak)
{
    const auto english = Hyphenator::ForLanguage("en-US");
    const auto german = Hyphenator::ForLanguage("de");  // an ISO-8859-1 dictionary
    ASSERT_TRUE(english && german);
    const struct { const Hyphenator& by; const char* word; const char* marked; } cases[] = {
        {*english, "hyphenation", "hy=phen=ation"},
        {*english, "\u201Cbeautifully,\u201D", "\u201Cbeau=ti=fully,\u201D"},  // two letters before, three after
        {*english, "Extraordinary", "Ex=tra=or=di=nary"},                     // looked up in small letters
        {*english, "self-made", "self-|made"},                                // its own hyphen only
        {*english, "pho\u00ADtograph", "pho\u00AD=tograph"},                   // a soft hyphen is where it breaks
        // never: digits, capitals only, addresses, too short
        {*english, "3rd-rate", "3rd-rate"}, {*english, "UNDERSTANDING", "UNDERSTANDING"},
        {*english, "http://example.org", "http://example.org"}, {*english, "ann@example.org", "ann@example.org"},
        {*english, "into", "into"},
        {*german, "Fu\u00DFballspieler", "Fu\u00DF=ball=spie=ler"}, {*german, "H\u00E4user", "H\u00E4u=ser"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Marked(c.by, c.word), c.marked) << c.word;
    // A language with no dictionary has none; a country without one of its own takes its language's.
    EXPECT_EQ(Hyphenator::ForLanguage("xx-YY"), nullptr);
    ASSERT_TRUE(Hyphenator::ForLanguage("en_GB"));
    EXPECT_EQ(Hyphenator::ForLanguage("en_GB")->Language(), "en");
}

} // namespace
