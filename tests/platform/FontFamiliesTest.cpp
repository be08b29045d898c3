#include "platform/FontFamilies.h"
#include "platform/Fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

TEST(FontFamilies, ScriptsOfAFamilyAreThoseOfItsRegularFace)
{
    // DejaVu Sans's ExtraLight face lacks Arabic and Hebrew, which its regular face has; Tahoma is Wine's, found
    // in a folder fontconfig does not search.
    const struct { const char* family; std::vector<std::string_view> covers, lacks; } cases[] = {
        {"DejaVu Sans", {"Latin", "Greek", "Cyrillic", "Hebrew", "Arabic"}, {"Devanagari", "Han", "Kana"}},
        {"Liberation Sans", {"Latin", "Greek", "Cyrillic", "Hebrew"}, {"Arabic", "Thai"}},
        {"lohit devanagari", {"Latin", "Devanagari"}, {"Greek", "Bengali", "Tamil"}},
        {"Tahoma", {"Latin", "Cyrillic", "Arabic"}, {"Greek", "Hangul"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        const auto scripts = ScriptsCovered(c.family);
        ASSERT_TRUE(scripts.has_value());
        for (std::string_view script : c.covers)
            EXPECT_NE(std::find(scripts->begin(), scripts->end(), script), scripts->end()) << script;
        for (std::string_view script : c.lacks)
            EXPECT_EQ(std::find(scripts->begin(), scripts->end(), script), scripts->end()) << script;
    }
    EXPECT_FALSE(ScriptsCovered("Foo Sans"));
}

TEST(FontFamilies, EveryListedFamilyIsFoundAndDrawnAsItself)
{
    const std::vector<std::string> families = InstalledFamilies();
    ASSERT_NE(std::find(families.begin(), families.end(), "Lohit Devanagari"), families.end());
    std::vector<std::string> withScripts;
    for (const FamilyScripts& listed : InstalledFamilyScripts())
        withScripts.push_back(listed.family);
    EXPECT_EQ(withScripts, families);
    for (const std::string& family : families) {
        EXPECT_EQ(InstalledFamily(family), family);
        const FontLibrary::FaceSource source = FontLibrary::Instance().Describe(family);
        EXPECT_EQ(std::tuple(source.family, source.standIn), std::tuple(family, false));
    }
}

} // namespace
