#include "PngRead.h"
#include "RunFixture.h"
#include "base/Text.h"
#include "books/EpubBuilder.h"
#include "imaging/BmpFile.h"

#include <csignal>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <linux/capability.h>
#include <map>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zip.h>

namespace fs = std::filesystem;

namespace {

using Outcome = RunResult::Outcome;

struct Entry {
    std::string name;
    bool stored = false, datedAtStart = false;  // dated 1980-01-01 00:00
    int extraFields = -1;
    std::string bytes;
};

// Every entry of an archive, in its order, as libzip reads it after checking the archive's consistency.
std::vector<Entry> ReadArchive(const std::string& path)
{
    std::vector<Entry> entries;
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!zip) {
        ADD_FAILURE() << path << " does not open: libzip error " << code;
        return entries;
    }
    for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(zip_get_num_entries(zip, 0)); ++i) {
        zip_stat_t stat;
        zip_stat_index(zip, i, 0, &stat);
        std::tm time{};
        localtime_r(&stat.mtime, &time);
        const auto dated = std::tuple(time.tm_year, time.tm_mon, time.tm_mday, time.tm_hour, time.tm_min);
        Entry entry{stat.name, stat.comp_method == ZIP_CM_STORE, dated == std::tuple(80, 0, 1, 0, 0),
                    zip_file_extra_fields_count(zip, i, ZIP_FL_LOCAL | ZIP_FL_CENTRAL), std::string(stat.size, '\0')};
        zip_file_t* file = zip_fopen_index(zip, i, 0);
        if (!file || zip_fread(file, entry.bytes.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
            ADD_FAILURE() << "cannot read " << entry.name;
        if (file)
            zip_fclose(file);
        entries.push_back(std::move(entry));
    }
    zip_discard(zip);
    return entries;
}

// ComicInfo.xml as an XML parser reads it: the texts of the elements, and the bookmarks of the pages by image.
struct Comic {
    std::map<std::string, std::string> fields;
    std::vector<std::pair<int, std::string>> bookmarks;
    int pages = 0;
};

Comic ReadComicInfo(const std::string& xml)
{
    Comic comic;
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "ComicInfo.xml", nullptr, XML_PARSE_NONET);
    if (!doc || std::string(reinterpret_cast<const char*>(xmlDocGetRootElement(doc)->name)) != "ComicInfo") {
        ADD_FAILURE() << "not ComicInfo:\n" << xml;
        xmlFreeDoc(doc);
        return comic;
    }
    const auto take = [](xmlChar* text) {
        std::string value = text ? reinterpret_cast<const char*>(text) : "";
        xmlFree(text);
        return value;
    };
    for (xmlNode* node = xmlDocGetRootElement(doc)->children; node; node = node->next) {
        const std::string name = reinterpret_cast<const char*>(node->name);
        if (node->type == XML_ELEMENT_NODE && name != "Pages")
            comic.fields[name] = take(xmlNodeGetContent(node));
        for (xmlNode* page = name == "Pages" ? node->children : nullptr; page; page = page->next) {
            if (page->type != XML_ELEMENT_NODE)
                continue;
            EXPECT_EQ(take(xmlGetProp(page, BAD_CAST "Image")), std::to_string(comic.pages));
            if (xmlHasProp(page, BAD_CAST "Bookmark"))
                comic.bookmarks.emplace_back(comic.pages, take(xmlGetProp(page, BAD_CAST "Bookmark")));
            ++comic.pages;
        }
    }
    xmlFreeDoc(doc);
    return comic;
}

// An EPUB book with its title, author and language, and two chapters of a few pages each.
void WriteFishBook(const std::string& path)
{
    const auto xhtml = [](const std::string& body) {
        return "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>t</title></head>"
               "<body>" + body + "</body></html>";
    };
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "<p>The boat came in at dawn with the catch of the night, line " + std::to_string(i) + ".</p>";
    WriteEpub(path, {{"META-INF/container.xml", ContainerXml("content.opf")},
                     {"content.opf", R"(<?xml version="1.0"?><package xmlns="http://www.idpf.org/2007/opf" version="3.0"
unique-identifier="id"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:identifier id="id">x</dc:identifier>
<dc:title>Fish &amp; &lt;Chips&gt;</dc:title><dc:creator>Ann "Hook" Writer</dc:creator><dc:language>en-GB</dc:language>
</metadata><manifest><item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
<item id="a" href="a.xhtml" media-type="application/xhtml+xml"/>
<item id="b" href="b.xhtml" media-type="application/xhtml+xml"/>
</manifest><spine><itemref idref="a"/><itemref idref="b"/></spine></package>)"},
                     {"nav.xhtml", xhtml(R"(<nav xmlns:epub="http://www.idpf.org/2007/ops" epub:type="toc"><ol>
<li><a href="a.xhtml">Nets &amp; Boats</a></li><li><a href="b.xhtml">The Market</a></li></ol></nav>)")},
                     {"a.xhtml", xhtml(text)},
                     {"b.xhtml", xhtml(text)}});
}

// The archive holds the very pages the same settings write as files: flat, in page order, stored, dated alike and
// without extra fields, then ComicInfo.xml, which names the book and bookmarks each chapter's first page with its
// whole title. A second run writes the same bytes.
TEST(PageArchive, HoldsThePagesTheFilesWouldBe)
{
    const std::string chapters = Lines({"Chapter 1.1 Fish & <Chips>", "Words."}) + NumberedLines(40) +
                                 Lines({"", "", "Chapter 2.1 Home", "At last."}) + NumberedLines(40);
    const struct { const char* what; RunFixture::Edits edits; bool epub; Outcome outcome; int firstPage; } cases[] = {
        {"chapter folders, JPEG", {{"chkSmartLF", "0"}}, false, Outcome::Finished, 1},
        {"a page range, colour PNG",
         {{"chkSmartLF", "0"}, {"lstPageFormat", "PNG"}, {"chkPureBW", "0"}, {"txtFromPg", "2"}, {"txtToPg", "4"}},
         false, Outcome::Stopped, 2},
        {"an EPUB book, black-and-white PNG", {{"lstPageFormat", "PNG"}, {"chkDiffFold", "0"}}, true,
         Outcome::Finished, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        f.Set(c.edits);
        if (c.epub) {
            WriteFishBook(f.dir.Path("novel.epub"));
            f.settings.TypeText("txtOutFileName", "novel");
            f.settings.TypeText("txtInpFile", f.dir.Path("novel.epub"));
        } else {
            f.Book(chapters);
        }
        ASSERT_EQ(f.Run().outcome, c.outcome);
        std::vector<std::pair<std::string, std::string>> files;  // name, bytes
        for (const std::string& path : f.host.shownFiles)
            if (fs::exists(path))
                files.emplace_back(fs::path(path).filename().string(), ReadFileText(path));
        ASSERT_GE(files.size(), 3u);
        const auto headings = f.host.headings;

        f.Set({{"chkCompress", "1"}});
        f.state.Stepped = false;  // as the end of the page range left it
        const RunResult result = f.Run();
        ASSERT_EQ(result.outcome, c.outcome) << result.error;
        EXPECT_EQ(result.archive, f.Out("novel.cbz"));
        const std::string archive = ReadFileText(f.Out("novel.cbz"));
        f.state.Stepped = false;
        ASSERT_EQ(f.Run().outcome, c.outcome);
        EXPECT_TRUE(ReadFileText(f.Out("novel.cbz")) == archive) << "a rerun gave other bytes";

        const std::vector<Entry> entries = ReadArchive(f.Out("novel.cbz"));
        ASSERT_EQ(entries.size(), files.size() + 1);
        EXPECT_EQ(entries.back().name, "ComicInfo.xml");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_TRUE(entries[i].stored && entries[i].datedAtStart && entries[i].extraFields == 0) << entries[i].name;
            if (i < files.size()) {
                EXPECT_EQ(entries[i].name, files[i].first);
                EXPECT_TRUE(entries[i].bytes == files[i].second) << entries[i].name;
            }
        }

        const Comic comic = ReadComicInfo(entries.back().bytes);
        const bool pureBW = f.settings.On(Control::chkPureBW);
        std::map<std::string, std::string> fields = {{"Title", c.epub ? "Fish & <Chips>" : "novel"},
                                                     {"PageCount", std::to_string(files.size())},
                                                     {"BlackAndWhite", pureBW ? "Yes" : "No"},
                                                     {"Manga", "No"}};
        if (c.epub)
            fields["Writer"] = "Ann \"Hook\" Writer", fields["LanguageISO"] = "en-GB";
        EXPECT_EQ(comic.fields, fields);
        EXPECT_EQ(comic.pages, static_cast<int>(files.size()));
        std::vector<std::pair<int, std::string>> bookmarks;
        for (const auto& [page, title] : headings)
            if (page >= c.firstPage && page < c.firstPage + static_cast<int>(files.size()))
                bookmarks.emplace_back(page - c.firstPage, ToUtf8(title));
        EXPECT_EQ(comic.bookmarks, bookmarks);
        EXPECT_GE(bookmarks.size(), 1u);
    }
}

// The names in the output folder but the working bitmaps: the archive alone, without temporaries or page files.
std::vector<std::string> LeftBeside(const RunFixture& f)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(f.Out("")))
        if (const std::string name = entry.path().filename().string(); name != "TempBMP.bmp" && name != "novelBW.bmp")
            names.push_back(name);
    return names;
}

// Only a run that reaches the end of the book or of its page range writes the archive; one interrupted, stopped by
// the user or failed leaves the one that was there, and nothing else. A run that goes on past the end of its page
// range (the desktop program's Continue) writes it again at the end of the book.
TEST(PageArchive, IsWrittenWholeOrNotAtAll)
{
    const struct { const char* what; std::size_t interruptAfter; bool stepped; bool shrink; const char* to;
                   int continues; Outcome outcome; int pages; } cases[] = {
        {"interrupted after page 2", 2, false, false, "0", 0, Outcome::Interrupted, 0},
        {"stopped after page 1 by the user", SIZE_MAX, true, false, "0", 0, Outcome::Stopped, 0},
        {"failed: the book changed", SIZE_MAX, false, true, "0", 0, Outcome::Failed, 0},
        {"the end of the page range", SIZE_MAX, false, false, "2", 0, Outcome::Stopped, 2},
        {"stopped after going on past the range", SIZE_MAX, false, false, "2", 1, Outcome::Stopped, 2},
        {"gone on past the range to the end", SIZE_MAX, false, false, "2", 1000, Outcome::Finished, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        // The book that changes is longer than the reader reads at once, and only its last pages are written.
        f.Set({{"chkSmartLF", "0"}, {"chkCompress", "1"}, {"txtToPg", c.to}, {"txtFromPg", c.shrink ? "400" : "0"}});
        const std::string book = f.Book(NumberedLines(c.shrink ? 8000 : 400));
        fs::create_directory(f.Out(""));
        WriteFileText(f.Out("novel.cbz"), "the archive of an earlier run");
        f.host.interruptAfter = c.interruptAfter;
        f.host.continues = c.continues;
        f.state.Stepped = c.stepped;
        if (c.shrink)
            f.host.atPageSave = [&](int page) {
                if (page == 3)
                    fs::resize_file(book, 70000);
            };
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, c.outcome) << result.error;
        EXPECT_GT(f.state.PagesWritten, 0);
        EXPECT_EQ(LeftBeside(f), std::vector<std::string>{"novel.cbz"});
        if (c.pages == 0) {
            EXPECT_EQ(ReadFileText(f.Out("novel.cbz")), "the archive of an earlier run");
            EXPECT_EQ(result.archive, "");
        } else {
            EXPECT_EQ(ReadArchive(f.Out("novel.cbz")).size(), (c.pages < 0 ? f.state.PagesWritten : c.pages) + 1u);
        }
    }
}

// Drops the power to write where the permissions say no, which a test run as root has.
void WithoutOverridingPermissions()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    syscall(SYS_capget, &header, data);
    data[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    syscall(SYS_capset, &header, data);
}

// A disk that fills while the pages are gathered or while the archive is written, and a folder that takes no
// file: the run fails naming the archive, and the earlier archive stays as it was, with nothing beside it.
TEST(PageArchive, AFullDiskOrAClosedFolderKeepsTheEarlierArchive)
{
    RunFixture f;
    f.Set({{"chkSmartLF", "0"}, {"chkCompress", "1"}});
    f.Book(NumberedLines(300));
    f.settings.Canvas().Resize(96, 64);  // small working bitmaps, many pages
    ASSERT_EQ(f.Run().outcome, Outcome::Finished);
    const int pages = f.state.PagesWritten;
    const std::string before = ReadFileText(f.Out("novel.cbz"));
    std::size_t pagesEnd = 0;  // where ComicInfo.xml begins: each page's local header, its 30 bytes and name, and data
    for (const Entry& entry : ReadArchive(f.Out("novel.cbz")))
        pagesEnd += entry.name == "ComicInfo.xml" ? 0 : 30 + entry.name.size() + entry.bytes.size();
    ASSERT_GT(pagesEnd, 30000u);

    // A child whose files may not grow past the limit fails as on a full disk.
    const struct { const char* what; rlim_t fileLimit; bool closed; bool gathered; const char* says; } cases[] = {
        {"full while the pages are gathered", pagesEnd / 2, false, false, "File too large"},
        {"full while the archive is written", pagesEnd + 64, false, true, "File too large"},
        {"a folder that takes no file", RLIM_INFINITY, true, false, "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.closed)
            fs::permissions(f.Out(""), fs::perms::owner_read | fs::perms::owner_exec);
        const auto convert = [&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{c.fileLimit, c.fileLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            WithoutOverridingPermissions();
            f.state.PagesWritten = 0;  // a run refused at its start leaves the count as it was
            const RunResult result = f.Run();
            std::fprintf(stderr, "%s\n", result.error.c_str());
            std::exit(result.outcome == Outcome::Failed && (f.state.PagesWritten == pages) == c.gathered ? 3 : 4);
        };
        EXPECT_EXIT(convert(), testing::ExitedWithCode(3), "cannot write " + f.Out("novel.cbz") + ": " + c.says);
        fs::permissions(f.Out(""), fs::perms::owner_all);
        EXPECT_TRUE(ReadFileText(f.Out("novel.cbz")) == before);
        EXPECT_EQ(LeftBeside(f), std::vector<std::string>{"novel.cbz"});
    }
}

} // namespace
