#include "EpubBuilder.h"
#include "engine/RunFixture.h"
#include "base/Text.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Outcome = RunResult::Outcome;
using Headings = std::vector<std::pair<int, std::u32string>>;

// Every page's text, the pages one after the other.
std::string AllText(const RunFixture& f)
{
    std::u32string text;
    for (const std::u32string& page : f.host.pages)
        text += page + U"\n";
    return ToUtf8(text);
}

std::string Xhtml(const std::string& body)
{
    return R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops"><head><title>t</title></head>
<body>)" + body + "</body></html>";
}

// A package document: its manifest items (id, href, properties) and its spine (idref, linear).
std::string Opf(const std::vector<std::array<const char*, 3>>& items, const std::vector<std::pair<const char*, bool>>& spine)
{
    std::string opf = R"(<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">x</dc:identifier>
<dc:title>The Lamp</dc:title><dc:creator>Ann Writer</dc:creator><dc:language>en</dc:language></metadata><manifest>)";
    for (const auto& [id, href, properties] : items)
        opf += std::string("<item id=\"") + id + "\" href=\"" + href + "\" media-type=\"application/xhtml+xml\"" +
               (*properties ? std::string(" properties=\"") + properties + "\"" : "") + "/>";
    opf += "</manifest><spine>";
    for (const auto& [idref, linear] : spine)
        opf += std::string("<itemref idref=\"") + idref + "\"" + (linear ? "" : " linear=\"no\"") + "/>";
    return opf + "</spine></package>";
}

// An EPUB 3 book: the spine differs from the archive's order, one document sits in a folder and has a blank in its
// name, one document is not in the table of contents, one is linear="no", one is missing, the cover is front
// matter, and the nav is in the spine.
void WriteLampBook(const std::string& path)
{
    const std::string nav = Xhtml(R"(<nav epub:type="toc"><ol><li><a href="text/one%20a.xhtml">The First</a></li>
<li><a href="two.xhtml#start">The Second</a></li><li><a href="gone.xhtml">Gone</a></li></ol></nav>
<nav epub:type="landmarks"><ol><li><a epub:type="cover" href="cover.xhtml">Cover</a></li></ol></nav>)");
    WriteEpub(path, {{"OEBPS/two.xhtml", Xhtml("<p id=\"start\">Second <em>chapter</em> text.</p>")},
                     {"META-INF/container.xml", ContainerXml("OEBPS/content.opf")},
                     {"OEBPS/text/one a.xhtml", Xhtml("<h1>The First</h1><p>First line<br/>kept line</p>")},
                     {"OEBPS/more.xhtml", Xhtml("<p>More of the first.</p>")},
                     {"OEBPS/notes.xhtml", Xhtml("<p>An appendix read last.</p>")},
                     {"OEBPS/cover.xhtml", Xhtml("<p>COVER TEXT</p>")},
                     {"OEBPS/nav.xhtml", nav},
                     {"OEBPS/content.opf",
                      Opf({{"nav", "nav.xhtml", "nav"}, {"cover", "cover.xhtml", ""}, {"one", "text/one%20a.xhtml", ""},
                           {"more", "more.xhtml", ""}, {"two", "two.xhtml", ""}, {"gone", "gone.xhtml", ""},
                           {"notes", "notes.xhtml", ""}},
                          {{"cover", true}, {"nav", true}, {"notes", false}, {"one", true}, {"more", true},
                           {"two", true}, {"gone", true}})}});
}

TEST(MarkupBooks, AnEpubBookIsReadInItsOrderWithItsChapters)
{
    // Left out, the cover leaves the first chapter the first page.
    const struct { bool skipMatter; bool cover; int first; } cases[] = {{false, true, 2}, {true, false, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skipMatter ? "front and back matter left out" : "front and back matter kept");
        RunFixture f;
        WriteLampBook(f.dir.Path("lamp.epub"));
        f.settings.TypeText("txtInpFile", f.dir.Path("lamp.epub"));
        f.settings.TypeText("txtOutFileName", "novel");
        f.Set({{"chkFrontBack", c.skipMatter ? "1" : "0"}});
        const RunResult result = f.Run();
        ASSERT_EQ(result.outcome, Outcome::Finished) << result.error;
        EXPECT_EQ(result.format, "EPUB");
        EXPECT_EQ(ToUtf8(result.info.title), "The Lamp");
        EXPECT_EQ(ToUtf8(result.info.author), "Ann Writer");
        ASSERT_EQ(result.warnings.size(), 1u);
        EXPECT_NE(result.warnings[0].find("gone.xhtml"), std::string::npos) << result.warnings[0];
        EXPECT_EQ(f.host.headings, (Headings{{c.first, U"Ch 01.0 The First"}, {c.first + 1, U"Ch 02.0 The Second"}}));
        const std::string text = AllText(f);
        // in reading order, the nav never, the cover only when kept, linear="no" last
        const auto at = [&](const char* what) { return text.find(what); };
        EXPECT_EQ(at("COVER TEXT") != std::string::npos, c.cover);
        EXPECT_EQ(at("Contents"), std::string::npos);
        EXPECT_LT(at("First line\n"), at("kept line"));
        EXPECT_LT(at("kept line"), at("More of the first."));
        EXPECT_LT(at("More of the first."), at("Second chapter text."));
        EXPECT_LT(at("Second chapter text."), at("An appendix read last."));
        EXPECT_EQ(at("<"), std::string::npos);
        EXPECT_TRUE(fs::exists(f.Out("Ch_01.0_The_First/novel_0000" + std::to_string(c.first) + " (Ch 01.0).jpg")));
    }
}

TEST(MarkupBooks, AnHtmlBookHasItsChaptersAndLosesTheLibrarysLicence)
{
    RunFixture f;
    f.Set({{"chkFrontBack", "1"}, {"chkDiffFold", "0"}});
    // Windows-1252, as its meta says: "café" and the curly quotes are its bytes E9, 93 and 94.
    f.Book("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<HTML><HEAD><TITLE>Rain</TITLE>"
           "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"><STYLE>p { x: y }</STYLE>"
           "</HEAD><BODY><pre>The licence.\r\n*** START OF THE PROJECT GUTENBERG EBOOK RAIN ***\r\n</pre>"
           "<h1>RAIN</h1><h2>I. Morning</h2><p>A caf\xE9 &mdash; \x93open\x94.</p><p>Dear Sir,<br>Yours.</p>"
           "<script>alert(1)</script><h2>II. Night</h2><p>The end.</p>"
           "<pre>End of the Project Gutenberg EBook of Rain\r\n*** END OF THE PROJECT GUTENBERG EBOOK ***</pre>"
           "<p>More licence.</p></BODY></HTML>",
           "rain.html");
    const RunResult result = f.Run();
    ASSERT_EQ(result.outcome, Outcome::Finished) << result.error;
    EXPECT_EQ(result.format, "HTML");
    EXPECT_EQ(ToUtf8(result.info.title), "Rain");
    EXPECT_EQ(f.host.headings, (Headings{{2, U"Ch 01.0 I. Morning"}, {3, U"Ch 02.0 II. Night"}}));
    const std::string text = AllText(f);
    EXPECT_NE(text.find("A caf\xC3\xA9 \xE2\x80\x94 \xE2\x80\x9Copen\xE2\x80\x9D."), std::string::npos) << text;
    EXPECT_NE(text.find("Dear Sir,\nYours."), std::string::npos) << text;
    for (const char* gone : {"licence", "START OF", "End of the Project", "alert", "x: y", "<"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
}

// A book that cannot be read as what it says it is, is refused with a message, and nothing is written.
TEST(MarkupBooks, BadBooksAreRefusedAndWriteNothing)
{
    RunFixture good;
    WriteLampBook(good.dir.Path("lamp.epub"));
    std::string bytes;
    {
        std::ifstream in(good.dir.Path("lamp.epub"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const struct { const char* what; std::function<void(const std::string&)> write; const char* says; } cases[] = {
        {"a ZIP that is not an EPUB",
         [](const std::string& path) { WriteZip(path, {{"readme.txt", "hello"}}); }, "not an EPUB"},
        {"a cut-off archive",
         [&](const std::string& path) { WriteFileText(path, bytes.substr(0, bytes.size() / 2)); }, "lamp.epub"},
        {"DRM",
         [](const std::string& path) {
             WriteEpub(path, {{"META-INF/container.xml", ContainerXml("content.opf")},
                              {"META-INF/encryption.xml",
                               R"(<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData><enc:EncryptionMethod Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/><enc:CipherData><enc:CipherReference URI="one.xhtml"/></enc:CipherData></enc:EncryptedData></encryption>)"},
                              {"content.opf", Opf({{"one", "one.xhtml", ""}}, {{"one", true}})},
                              {"one.xhtml", "scrambled"}});
         },
         "protected by DRM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        c.write(f.dir.Path("lamp.epub"));
        f.settings.TypeText("txtInpFile", f.dir.Path("lamp.epub"));
        f.settings.TypeText("txtOutFileName", "novel");
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
        EXPECT_FALSE(fs::exists(f.Out("")));
    }
}

} // namespace
