#include "books/EpubPackage.h"
#include "base/Text.h"

#include "EpubBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string Item(const std::string& id, const std::string& href, const std::string& more = "")
{
    return "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"application/xhtml+xml\" " + more + "/>";
}

std::string Ref(const std::string& idref, const std::string& more = "")
{
    return "<itemref idref=\"" + idref + "\" " + more + "/>";
}

// A package document of these manifest items and spine references; after holds what follows the spine.
std::string Package(const std::string& manifest, const std::string& spine, const std::string& after = "",
                    const std::string& spineAttributes = "")
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>A Book</dc:title></metadata>
<manifest>)" + manifest + "</manifest>\n<spine " + spineAttributes + ">" + spine + "</spine>" + after + "</package>";
}

std::string Nav(const std::string& navs, const std::string& doctype = "")
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>)" + doctype + R"(
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops"><head><title>Contents</title>
</head><body>)" + navs + "</body></html>";
}

// An EPUB of these entries beside its container.xml, which names OEBPS/content.opf.
std::string WriteBook(const TempDir& dir, std::vector<ZipEntry> entries, const std::string& name = "book.epub")
{
    entries.insert(entries.begin(), {"META-INF/container.xml", ContainerXml("OEBPS/content.opf")});
    WriteEpub(dir.Path(name), std::move(entries));
    return dir.Path(name);
}

std::unique_ptr<EpubPackage> OpenOrFail(const std::string& path)
{
    auto opened = EpubPackage::Open(path);
    EXPECT_TRUE(opened) << opened.Failure().message;
    return opened ? std::move(*opened) : nullptr;
}

// Empty when text holds part, else what is wrong, for EXPECT_EQ to show.
std::string Lacks(const std::string& text, const std::string& part)
{
    return text.find(part) == std::string::npos ? "\"" + text + "\" lacks \"" + part + "\"" : "";
}

// Sets the uncompressed size the local header and the central directory give the entry name, as a zip bomb's
// author would.
void ClaimSize(std::string& zip, const std::string& name, std::uint32_t size)
{
    const auto u16 = [&](std::size_t at) {
        return std::uint32_t(std::uint8_t(zip[at])) | std::uint32_t(std::uint8_t(zip[at + 1])) << 8;
    };
    const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    const auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            zip[at + i] = char(value >> (8 * i) & 0xFF);
    };
    for (std::size_t at = zip.find("PK\1\2"); at != std::string::npos; at = zip.find("PK\1\2", at + 1)) {
        if (zip.compare(at + 46, u16(at + 28), name) == 0 && u16(at + 28) == name.size()) {
            put32(at + 24, size);
            put32(u32(at + 42) + 22, size);
            return;
        }
    }
    FAIL() << name << " is not in the archive";
}

} // namespace

TEST(EpubPackage, ReadingOrderFollowsTheSpine)
{
    struct Case {
        const char* what;
        std::string opf;
        std::vector<std::string> files;  // each holds its own name
        std::vector<std::string> paths;  // the reading order; a path not in files cannot be read
        std::vector<bool> linear;
    };
    const Case cases[] = {
        {"spine order, not the archive's", Package(Item("a", "a.xhtml") + Item("b", "b.xhtml") + Item("c", "c.xhtml"),
                                                   Ref("b") + Ref("c") + Ref("a")),
         {"OEBPS/c.xhtml", "OEBPS/a.xhtml", "OEBPS/b.xhtml"},
         {"OEBPS/b.xhtml", "OEBPS/c.xhtml", "OEBPS/a.xhtml"}, {true, true, true}},
        {"nested folders", Package(Item("1", "Text/one.xhtml") + Item("2", "../Other/two.xhtml") +
                                   Item("3", "./Text/./sub/../three.xhtml#top"), Ref("1") + Ref("2") + Ref("3")),
         {"OEBPS/Text/one.xhtml", "Other/two.xhtml", "OEBPS/Text/three.xhtml"},
         {"OEBPS/Text/one.xhtml", "Other/two.xhtml", "OEBPS/Text/three.xhtml"}, {true, true, true}},
        {"percent-encoded", Package(Item("1", "Text/Chapter%201.xhtml") + Item("2", "Text/%C3%A9t%C3%A9.xhtml"),
                                    Ref("1") + Ref("2")),
         {"OEBPS/Text/Chapter 1.xhtml", "OEBPS/Text/été.xhtml"},
         {"OEBPS/Text/Chapter 1.xhtml", "OEBPS/Text/été.xhtml"}, {true, true}},
        {"linear=\"no\" after the rest", Package(Item("n1", "n1.xhtml") + Item("a", "a.xhtml") + Item("n2", "n2.xhtml") +
                                                 Item("b", "b.xhtml"),
                                                 Ref("n1", "linear=\"no\"") + Ref("a") + Ref("n2", "linear=\"no\"") +
                                                     Ref("b", "linear=\"yes\"")),
         {"OEBPS/n1.xhtml", "OEBPS/a.xhtml", "OEBPS/n2.xhtml", "OEBPS/b.xhtml"},
         {"OEBPS/a.xhtml", "OEBPS/b.xhtml", "OEBPS/n1.xhtml", "OEBPS/n2.xhtml"}, {true, true, false, false}},
        {"missing documents", Package(Item("a", "a.xhtml") + Item("gone", "gone.xhtml") + Item("b", "b.xhtml"),
                                      Ref("a") + Ref("gone") + Ref("unlisted") + Ref("b")),
         {"OEBPS/a.xhtml", "OEBPS/b.xhtml"}, {"OEBPS/a.xhtml", "OEBPS/gone.xhtml", "", "OEBPS/b.xhtml"},
         {true, true, true, true}},
        {"case differs", Package(Item("a", "Text/A.xhtml"), Ref("a")), {"OEBPS/text/a.xhtml"},
         {"OEBPS/Text/A.xhtml"}, {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::vector<ZipEntry> entries{{"OEBPS/content.opf", c.opf}};
        for (const auto& file : c.files)
            entries.push_back({file, "<p>" + file + "</p>"});
        const auto package = OpenOrFail(WriteBook(dir, entries));
        ASSERT_TRUE(package);
        const auto& order = package->ReadingOrder();
        ASSERT_EQ(order.size(), c.paths.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            SCOPED_TRACE(c.paths[i]);
            EXPECT_EQ(order[i].path, c.paths[i]);
            EXPECT_EQ(order[i].linear, c.linear[i]);
            const auto read = package->Read(i);
            const auto file = std::find_if(c.files.begin(), c.files.end(), [&](const std::string& name) {
                return ToLower(FromUtf8(name)) == ToLower(FromUtf8(c.paths[i]));
            });
            if (file != c.files.end()) {
                ASSERT_TRUE(read) << read.Failure().message;
                EXPECT_EQ(*read, "<p>" + *file + "</p>");
                EXPECT_EQ(order[i].size, read->size());
            } else {
                ASSERT_FALSE(read);
                EXPECT_EQ(Lacks(read.Failure().message, c.paths[i].empty() ? "\"unlisted\"" : c.paths[i]), "");
                EXPECT_EQ(Lacks(read.Failure().message, dir.Path("book.epub")), "");
            }
        }
        EXPECT_EQ(package->BytesConsumed(), package->Size());
        EXPECT_FALSE(package->Read(order.size()));
    }
}

TEST(EpubPackage, ChapterTitlesComeFromTheTableOfContents)
{
    const std::string three = Item("1", "Text/one.xhtml") + Item("2", "Text/two.xhtml") + Item("3", "Text/three.xhtml");
    const std::string spine = Ref("1") + Ref("2") + Ref("3");
    const std::string navItem = Item("nav", "Nav/toc.xhtml", "properties=\"nav\"");
    const std::string ncxItem = R"(<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>)";
    const std::string nested = R"(<nav epub:type="landmarks"><ol><li><a epub:type="bodymatter" href="../Text/three.xhtml">
        Start</a></li></ol></nav>
      <nav epub:type="toc"><ol><li><a href="../Text/one.xhtml">  Part
        <em>One</em> </a><ol><li><a href="../Text/one.xhtml#s2">Section</a></li>
        <li><a href="../Text/two.xhtml#start">Two</a></li></ol></li>
        <li><a href="../Text/two.xhtml">Two again</a></li></ol></nav>)";
    const std::string ncx = R"(<?xml version="1.0"?><ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1">
      <navMap><navPoint id="p1"><navLabel><text>Book One</text></navLabel><content src="Text/one.xhtml"/>
        <navPoint id="p2"><navLabel><text>Its Chapter</text></navLabel><content src="Text/two.xhtml#c"/></navPoint>
      </navPoint></navMap></ncx>)";
    // Three hundred entries: a hundred nested each inside the one before, then two hundred with sections of their own.
    std::string deepNav, deepManifest, deepSpine;
    std::vector<ZipEntry> deepFiles;
    std::vector<std::u32string> deepTitles;
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i), href = "../Text/d" + n + ".xhtml";
        deepNav += "<ol><li><a href=\"" + href + "\">Chapter " + n + "</a>";
        if (i >= 100)
            deepNav += "<ol><li><a href=\"" + href + "#s\">Section</a></li></ol></li></ol>";
        deepManifest += Item("d" + n, "Text/d" + n + ".xhtml");
        deepSpine += Ref("d" + n);
        deepFiles.push_back({"OEBPS/Text/d" + n + ".xhtml", "<p/>"});
        deepTitles.push_back(FromUtf8("Chapter " + n));
    }
    for (int i = 0; i < 100; ++i)
        deepNav += "</li></ol>";
    // Deeper than libxml2 builds a tree: the entries it keeps give titles, and nothing breaks.
    std::string absurd;
    for (int i = 0; i < 20000; ++i)
        absurd += "<ol><li><a href=\"../Text/one.xhtml\">Chapter " + std::to_string(i) + "</a>";
    for (int i = 0; i < 20000; ++i)
        absurd += "</li></ol>";
    const struct {
        const char* what;
        std::vector<ZipEntry> entries;
        std::vector<std::u32string> titles;
    } cases[] = {
        {"nav, nested, at fragments, a document named twice",
         {{"OEBPS/content.opf", Package(three + navItem, spine)}, {"OEBPS/Nav/toc.xhtml", Nav(nested)}},
         {U"Part One", U"Two", U""}},
        {"NCX, nested", {{"OEBPS/content.opf", Package(three + ncxItem, spine, "", "toc=\"ncx\"")}, {"OEBPS/toc.ncx", ncx}},
         {U"Book One", U"Its Chapter", U""}},
        {"a nav without a toc: the NCX",
         {{"OEBPS/content.opf", Package(three + navItem + ncxItem, spine, "", "toc=\"ncx\"")},
          {"OEBPS/Nav/toc.xhtml",
           Nav("<nav epub:type=\"landmarks\"><ol><li><a href=\"../Text/one.xhtml\">X</a></li></ol></nav>")},
          {"OEBPS/toc.ncx", ncx}},
         {U"Book One", U"Its Chapter", U""}},
        {"a nav that is HTML, not XML",
         {{"OEBPS/content.opf", Package(three + navItem, spine)},
          {"OEBPS/Nav/toc.xhtml",
           Nav("<nav epub:type=\"toc\"><ol><li><a href=\"../Text/two.xhtml\">One &mdash; Two<br></a></ol>")}},
         {U"", U"One — Two", U""}},
        {"a DTD never loaded, its entities known by name",
         {{"OEBPS/content.opf", Package(three + navItem, spine)},
          {"OEBPS/Nav/toc.xhtml",
           Nav("<nav epub:type=\"toc\"><ol><li><a href=\"../Text/three.xhtml\">A&nbsp;B</a></li></ol></nav>",
               R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.1//EN" "http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd">)")}},
         {U"", U"", U"A\u00A0B"}},
        {"three hundred entries, nested a hundred deep", {}, deepTitles},
        {"twenty thousand deep",
         {{"OEBPS/content.opf", Package(three + navItem, spine)},
          {"OEBPS/Nav/toc.xhtml", Nav("<nav epub:type=\"toc\">" + absurd + "</nav>")}},
         {U"Chapter 0", U"", U""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        auto entries = c.entries;
        if (entries.empty()) {
            entries = deepFiles;
            entries.push_back({"OEBPS/content.opf", Package(deepManifest + navItem, deepSpine)});
            entries.push_back({"OEBPS/Nav/toc.xhtml", Nav("<nav epub:type=\"toc\">" + deepNav + "</nav>")});
        }
        const auto package = OpenOrFail(WriteBook(dir, entries));
        ASSERT_TRUE(package);
        std::vector<std::u32string> titles;
        for (const EpubItem& item : package->ReadingOrder())
            titles.push_back(item.chapterTitle);
        EXPECT_EQ(titles, c.titles);
    }
}

TEST(EpubPackage, MatterByLandmarksGuideAndTheNavDocument)
{
    const std::string docs = Item("cover", "cover.xhtml") + Item("title", "title.xhtml") + Item("body", "body.xhtml") +
                             Item("colophon", "colophon.xhtml");
    const std::string spine = Ref("cover") + Ref("title") + Ref("body") + Ref("colophon");
    const std::string landmarks = R"(<nav epub:type="toc"><ol><li><a href="body.xhtml">Body</a></li></ol></nav>
      <nav epub:type="landmarks"><ol><li><a epub:type="cover" href="cover.xhtml">Cover</a></li>
      <li><a epub:type="titlepage" href="title.xhtml">Title</a></li>
      <li><a epub:type="bodymatter" href="body.xhtml#start">Start</a></li>
      <li><a epub:type="copyright-page" href="body.xhtml">Rights, in the body</a></li>
      <li><a epub:type="colophon" href="colophon.xhtml#end">At a fragment</a></li></ol></nav>)";
    const std::string guide = R"(<guide><reference type="cover" href="cover.xhtml" title="Cover"/>
      <reference type="Title-Page" href="title.xhtml" title="Title"/><reference type="text" href="body.xhtml"/>
      <reference type="colophon" href="colophon.xhtml"/></guide>)";
    const std::string nav = Item("nav", "nav.xhtml", "properties=\"nav\"");
    const struct {
        const char* what;
        std::string opf, nav;
        std::vector<std::string> paths;
        std::vector<bool> matter, navigation;
    } cases[] = {
        {"landmarks", Package(docs + nav, spine), Nav(landmarks),
         {"OEBPS/cover.xhtml", "OEBPS/title.xhtml", "OEBPS/body.xhtml", "OEBPS/colophon.xhtml"},
         {true, true, false, false}, {false, false, false, false}},
        {"guide", Package(docs, spine, guide), "",
         {"OEBPS/cover.xhtml", "OEBPS/title.xhtml", "OEBPS/body.xhtml", "OEBPS/colophon.xhtml"},
         {true, true, false, true}, {false, false, false, false}},
        {"the nav document in the spine", Package(Item("body", "body.xhtml") + nav, Ref("nav") + Ref("body")),
         Nav(landmarks), {"OEBPS/nav.xhtml", "OEBPS/body.xhtml"}, {true, false}, {true, false}},
        {"the nav document holding the book", Package(nav, Ref("nav")), Nav(landmarks), {"OEBPS/nav.xhtml"},
         {false}, {false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::vector<ZipEntry> entries{{"OEBPS/content.opf", c.opf}};
        if (!c.nav.empty())
            entries.push_back({"OEBPS/nav.xhtml", c.nav});
        const auto package = OpenOrFail(WriteBook(dir, entries));
        ASSERT_TRUE(package);
        std::vector<std::string> paths;
        std::vector<bool> matter, navigation;
        for (const EpubItem& item : package->ReadingOrder()) {
            paths.push_back(item.path);
            matter.push_back(item.matter);
            navigation.push_back(item.navigation);
        }
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(matter, c.matter);
        EXPECT_EQ(navigation, c.navigation);
    }
}

TEST(EpubPackage, MetadataByNamespaceNotPrefix)
{
    const std::string dc = "http://purl.org/dc/elements/1.1/";
    const struct { const char* what; std::string metadata; EpubMetadata expected; } cases[] = {
        {"dc:", "<metadata xmlns:dc=\"" + dc + "\"><dc:title> The\n  Title </dc:title><dc:creator>Ann</dc:creator>"
                "<dc:creator>Bob</dc:creator><dc:language>en-GB</dc:language><dc:title>Second</dc:title></metadata>",
         {U"The Title", U"Ann", "en-GB"}},
        {"another prefix", "<metadata xmlns:d=\"" + dc + "\"><d:title>Été</d:title><d:creator>Zoë</d:creator></metadata>",
         {U"Été", U"Zoë", ""}},
        {"the default namespace", "<metadata><title xmlns=\"" + dc + "\">Plain</title></metadata>", {U"Plain", U"", ""}},
        {"dc: bound elsewhere", "<metadata xmlns:dc=\"http://example.com/not-dc\" xmlns:x=\"" + dc +
                                    "\"><dc:title>Wrong</dc:title><x:title>Right</x:title></metadata>",
         {U"Right", U"", ""}},
        {"none", "<metadata/>", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string opf = "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\">" + c.metadata +
                                "<manifest>" + Item("a", "a.xhtml") + "</manifest><spine>" + Ref("a") + "</spine></package>";
        const auto package = OpenOrFail(WriteBook(dir, {{"OEBPS/content.opf", opf}, {"OEBPS/a.xhtml", "<p/>"}}));
        ASSERT_TRUE(package);
        EXPECT_EQ(package->Metadata().title, c.expected.title);
        EXPECT_EQ(package->Metadata().creator, c.expected.creator);
        EXPECT_EQ(package->Metadata().language, c.expected.language);
    }
}

TEST(EpubPackage, RefusesWhatItCannotReadSafely)
{
    TempDir dir;
    const std::string opf = Package(Item("a", "a.xhtml"), Ref("a"));
    const std::vector<ZipEntry> book{{"META-INF/container.xml", ContainerXml("OEBPS/content.opf")},
                                     {"OEBPS/content.opf", opf}, {"OEBPS/a.xhtml", "<p>" + std::string(5000, 'a') + "</p>"}};
    const auto encryption = [](const std::string& algorithm) {
        return R"(<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
          xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData><enc:EncryptionMethod Algorithm=")" +
               algorithm + R"("/><enc:CipherData><enc:CipherReference URI="OEBPS/a.xhtml"/></enc:CipherData>
          </enc:EncryptedData></encryption>)";
    };
    WriteEpub(dir.Path("whole.epub"), book);
    std::string whole = ReadFileText(dir.Path("whole.epub"));
    WriteFileText(dir.Path("truncated.epub"), whole.substr(0, whole.size() / 2));
    WriteFileText(dir.Path("text.epub"), "Chapter 1\nIt was a dark night.\n");
    WriteFileText(dir.Path("empty.epub"), "");
    WriteZip(dir.Path("plain.zip"), {{"a.txt", "hello"}});
    WriteZip(dir.Path("wrong-type.epub"), {{"mimetype", "application/zip", ZipEntry::Method::Stored}, book[0], book[1]});
    WriteZip(dir.Path("type-second.epub"), {book[0], {"mimetype", "application/epub+zip"}, book[1], book[2]});
    auto withNewline = book;
    withNewline.insert(withNewline.begin(), {"mimetype", "application/epub+zip\r\n", ZipEntry::Method::Deflated});
    WriteZip(dir.Path("type-newline.epub"), withNewline);
    auto drm = book, fonts = book, noContainer = book, noPackage = book, emptySpine = book, garbage = book;
    drm.push_back({"META-INF/encryption.xml", encryption("http://www.w3.org/2001/04/xmlenc#aes256-cbc")});
    fonts.push_back({"META-INF/encryption.xml", encryption("http://www.idpf.org/2008/embedding")});
    noContainer.erase(noContainer.begin());
    noPackage.erase(noPackage.begin() + 1);
    emptySpine[1].content = Package(Item("a", "a.xhtml"), "");
    garbage[1].content = "\x01\x02 <<<< not & XML at all";
    for (const auto& [name, entries] :
         {std::pair{"drm.epub", drm}, {"fonts.epub", fonts}, {"no-container.epub", noContainer},
          {"no-package.epub", noPackage}, {"empty-spine.epub", emptySpine}, {"garbage.epub", garbage}})
        WriteEpub(dir.Path(name), std::move(entries));

    std::filesystem::create_directory(dir.Path("folder.epub"));
    const struct { std::string path; const char* message; } cases[] = {
        {dir.Path("missing.epub"), "cannot open"},
        {dir.Path("folder.epub"), "Is a directory"},
        {"/dev/null", "is not a file but a device or a pipe"},
        {dir.Path("empty.epub"), "is empty"},
        {dir.Path("text.epub"), "is not an EPUB book: it is not a ZIP archive"},
        {dir.Path("truncated.epub"), "is a damaged or truncated ZIP archive"},
        {dir.Path("plain.zip"), "is a ZIP archive, not an EPUB book"},
        {dir.Path("wrong-type.epub"), "is a ZIP archive, not an EPUB book"},
        {dir.Path("type-second.epub"), "is a ZIP archive, not an EPUB book"},
        {dir.Path("drm.epub"), "is protected by DRM, which Leafcast cannot read"},
        {dir.Path("no-container.epub"), "has no container file: META-INF/container.xml is missing"},
        {dir.Path("no-package.epub"), "has no package document: OEBPS/content.opf is missing"},
        {dir.Path("empty-spine.epub"), "has no reading order"},
        {dir.Path("garbage.epub"), "OEBPS/content.opf, is not XML (line 1: "},
        {dir.Path("type-newline.epub"), nullptr},
        {dir.Path("fonts.epub"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto opened = EpubPackage::Open(c.path);
        if (!c.message) {
            ASSERT_TRUE(opened) << opened.Failure().message;
            EXPECT_TRUE((*opened)->Read(0));
            continue;
        }
        ASSERT_FALSE(opened);
        EXPECT_EQ(Lacks(opened.Failure().message, c.path), "");
        EXPECT_EQ(Lacks(opened.Failure().message, c.message), "");
    }
}

TEST(EpubPackage, EntitiesStayUnexpanded)
{
    std::string bomb = R"(<!DOCTYPE package [<!ENTITY lol0 "lol">)";
    for (int i = 1; i <= 9; ++i)
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + [&] {
            std::string ten;
            for (int k = 0; k < 10; ++k)
                ten += "&lol" + std::to_string(i - 1) + ";";
            return ten;
        }() + "\">";
    bomb += "]>";
    const auto opf = [](const std::string& doctype, const std::string& title, const std::string& href = "a.xhtml") {
        return R"(<?xml version="1.0"?>)" + doctype + R"(<package xmlns="http://www.idpf.org/2007/opf" version="3.0">
          <metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>)" + title + "</dc:title></metadata><manifest>" +
               Item("a", href) + "</manifest><spine>" + Ref("a") + "</spine></package>";
    };
    const std::string secret = ReadFileText("/etc/passwd").substr(0, 12);
    ASSERT_GE(secret.size(), 4u);
    const struct { const char* what; std::string opf; std::u32string title; } cases[] = {
        {"a billion laughs in the title", opf(bomb, "&lol9;"), U""},
        {"a billion laughs in a link", opf(bomb, "T", "&lol9;.xhtml"), U"T"},
        {"an external entity", opf(R"(<!DOCTYPE package [<!ENTITY x SYSTEM "file:///etc/passwd">]>)", "T&x;"), U"T"},
        {"an external parameter entity", opf(R"(<!DOCTYPE package [<!ENTITY % x SYSTEM "file:///etc/passwd"> %x;]>)", "T"),
         U"T"},
        {"an external DTD", opf(R"(<!DOCTYPE package SYSTEM "file:///etc/passwd">)", "T"), U"T"},
        {"plain text of its own", opf(R"(<!DOCTYPE package [<!ENTITY pub "Plain Press">]>)", "&pub; &amp; Co"),
         U"Plain Press & Co"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const auto opened = EpubPackage::Open(WriteBook(dir, {{"OEBPS/content.opf", c.opf}, {"OEBPS/a.xhtml", "<p/>"}}));
        if (!opened) {
            EXPECT_EQ(Lacks(opened.Failure().message, "book.epub"), "");
            EXPECT_EQ(opened.Failure().message.find(secret), std::string::npos);
            continue;
        }
        EXPECT_EQ((*opened)->Metadata().title, c.title);
        ASSERT_EQ((*opened)->ReadingOrder().size(), 1u);
        EXPECT_LT((*opened)->ReadingOrder()[0].path.size(), 300u);
    }
}

TEST(EpubPackage, ReadRefusesBombsAndDamageNamingTheDocument)
{
    TempDir dir;
    std::string manifest, spine, text;
    for (int i = 0; i < 18; ++i) {
        manifest += Item("z" + std::to_string(i), "zeros.xhtml");
        spine += Ref("z" + std::to_string(i));
    }
    for (int i = 0; i < 2000; ++i)
        text += "<p>Line " + std::to_string(i * 7919 % 10007) + "</p>\n";
    const std::string opf = Package(Item("big", "big.xhtml") + Item("bad", "bad.xhtml") + Item("ok", "ok.xhtml") +
                                        manifest, Ref("big") + Ref("bad") + Ref("ok") + spine);
    std::vector<ZipEntry> entries{{"OEBPS/content.opf", opf}, {"OEBPS/bad.xhtml", text}, {"OEBPS/ok.xhtml", "<p>fine</p>"}};
    entries.push_back({"OEBPS/big.xhtml", std::string(EpubPackage::kMostPerDocument + (1 << 20), '\0')});
    // What the bomb uncompressed before it was stopped counts: 64 MB, then 17 of these, 1016 MB; 18 pass 1024.
    entries.push_back({"OEBPS/zeros.xhtml", std::string(56 << 20, '\0')});
    const std::string book = WriteBook(dir, std::move(entries));
    std::string bytes = ReadFileText(book);
    ClaimSize(bytes, "OEBPS/big.xhtml", 1000);
    const std::size_t data = bytes.find("OEBPS/bad.xhtml") + 15;
    for (std::size_t i = data + 100; i < data + 140; ++i)
        bytes[i] = char(~bytes[i]);
    WriteFileText(book, bytes);
    const auto package = OpenOrFail(book);
    ASSERT_TRUE(package);
    EXPECT_EQ(package->ReadingOrder()[0].size, 1000u);
    const auto big = package->Read(0);
    ASSERT_FALSE(big);
    EXPECT_EQ(Lacks(big.Failure().message, "OEBPS/big.xhtml in " + book + " uncompresses to more than 64 MB"), "");
    const auto bad = package->Read(1);
    ASSERT_FALSE(bad);
    EXPECT_EQ(Lacks(bad.Failure().message, "cannot read OEBPS/bad.xhtml in " + book), "");
    EXPECT_EQ(*package->Read(2), "<p>fine</p>");
    for (std::size_t i = 3; i < 3 + 17; ++i)
        ASSERT_TRUE(package->Read(i)) << i;
    const auto last = package->Read(3 + 17);
    ASSERT_FALSE(last);
    EXPECT_EQ(Lacks(last.Failure().message, book + " uncompresses to more than 1024 MB (at OEBPS/zeros.xhtml)"), "");
}
