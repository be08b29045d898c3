#include "books/EpubPath.h"

#include <gtest/gtest.h>

TEST(EpubPath, LinksResolveAgainstTheirDocumentsFolder)
{
    const struct { const char* document; const char* href; const char* path; } cases[] = {
        {"OEBPS/content.opf", "Text/one.xhtml", "OEBPS/Text/one.xhtml"},
        {"content.opf", "one.xhtml", "one.xhtml"},
        {"OEBPS/Text/nav.xhtml", "../Text/two.xhtml#part-2", "OEBPS/Text/two.xhtml"},
        {"a/b/c.opf", "../../../../x.xhtml", "x.xhtml"},  // never above the root
        {"OEBPS/content.opf", "/Text/one.xhtml", "Text/one.xhtml"},
        {"OEBPS/content.opf", "Text//./Chapter%201.xhtml?v=2", "OEBPS/Text/Chapter 1.xhtml"},
        {"OEBPS/content.opf", "%C3%A9t%C3%A9.xhtml", "OEBPS/été.xhtml"},
        {"OEBPS/content.opf", "100%.xhtml", "OEBPS/100%.xhtml"},
        {"OEBPS/content.opf", "a%2x%4.xhtml", "OEBPS/a%2x%4.xhtml"},
        {"OEBPS/content.opf", "%2E%2E/up.xhtml", "up.xhtml"},
        {"OEBPS/nav.xhtml", "#note-3", "OEBPS/nav.xhtml"},
        {"", "", ""},
        {"OEBPS/content.opf", "https://example.com/one.xhtml", ""},
        {"OEBPS/content.opf", "mailto:someone@example.com", ""},
        {"OEBPS/content.opf", "Text/a:b.xhtml", "OEBPS/Text/a:b.xhtml"},  // a colon after a slash is no scheme
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.document) + " + " + c.href);
        EXPECT_EQ(ResolveHref(c.document, c.href), c.path);
    }
}
