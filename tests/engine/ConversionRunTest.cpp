#include "RunFixture.h"
#include "engine/PageDecorations.h"
#include "base/Text.h"
#include "imaging/BmpFile.h"
#include "settings/Profile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;

namespace {

std::string Lines(std::initializer_list<const char*> lines, const char* end = "\r\n")
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + end;
    return text;
}

TEST(ConversionRun, ChaptersGoIntoTheirOwnFolders)
{
    RunFixture f;
    f.Book(Lines({"Chapter 1.1 The road", "It was a long road.", "", "", "Chapter 2.1 Home", "Home at last."}));
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    EXPECT_TRUE(fs::exists(f.Out("novel_00001 ().jpg")));
    EXPECT_TRUE(fs::exists(f.Out("CH_01.1_THE_ROAD/novel_00002 (Ch_01.1).jpg")));
    // The one page of a short chapter is saved when the next heading is met, yet goes into its own folder.
    EXPECT_TRUE(fs::exists(f.Out("CH_02.1_HOME/novel_00003 (Ch_02.1).jpg")));
    EXPECT_EQ(f.state.PagesWritten, 3);
    EXPECT_EQ(fs::file_size(f.Out("TempBMP.bmp")), 230454u);
    EXPECT_EQ(fs::file_size(f.Out("novelBW.bmp")), 9662u);
    EXPECT_EQ(ReadBitmapFile(f.Out("novelBW.bmp")).BitsPerPixel(), 1);
}

TEST(ConversionRun, WindowsAndUtf8BooksGiveTheSameFolderName)
{
    for (const std::string& heading : {std::string("Chapter 1.1 Caf\xE9"), std::string("\xEF\xBB\xBF" "Chapter 1.1 Caf\xC3\xA9")}) {
        RunFixture f;
        f.Book(heading + "\r\nText.\r\n");
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        EXPECT_TRUE(fs::exists(f.Out("CH_01.1_CAF\xC3\x89/novel_00002 (Ch_01.1).jpg"))) << heading;
    }
}

TEST(ConversionRun, EveryKindOfLineEndEndsALine)
{
    for (const char* end : {"\r\n", "\n", "\r"}) {
        RunFixture f;
        f.settings.ApplyEdit("chkSmartLF", "0");
        f.Book(Lines({"one", "two", "three"}, end));
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        ASSERT_EQ(f.host.pages.size(), 1u);
        EXPECT_EQ(f.host.pages[0].text, U"\none\ntwo\nthree") << "line end " << int(end[0]);
    }
}

// The canvas is made exactly wide enough for the cases, in widths of the monospaced face's characters.
TEST(ConversionRun, WordsAndCharactersBreakAtTheRightEdge)
{
    const struct { const char* line; int columns; int extraPixels; const char32_t* expected; } cases[] = {
        {"abcd efghi", 10, 0, U"\nabcd \nefghi"},  // reaching the edge is too far for a word
        {"abcd efghi", 10, 1, U"\nabcd efghi"},
        // Wider than the page: split between characters, a character moving only when it passes the edge.
        {"abcdefghijklmnop", 10, 0, U"\n\nabcdefghij\nklmnop"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.settings.ApplyEdit("chkSmartLF", "0");
        f.Book(std::string(c.line) + "\r\n");
        const int charWidth = static_cast<int>(f.settings.Canvas().TextWidth(U"a"));
        ASSERT_EQ(f.settings.Canvas().TextWidth(U"abcdefghij"), 10.0f * charWidth) << "the face is not monospaced";
        f.settings.Canvas().Resize(3 + c.columns * charWidth + c.extraPixels, 240);
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        ASSERT_FALSE(f.host.pages.empty());
        EXPECT_EQ(f.host.pages[0].text, c.expected) << c.line << " +" << c.extraPixels;
    }
}

// Every file the run leaves, relative to the test's folder; none may lie outside the output folder.
std::vector<std::string> FilesOutside(const RunFixture& f, int& pages)
{
    std::vector<std::string> outside;
    for (const auto& entry : fs::recursive_directory_iterator(f.dir.Root())) {
        const std::string path = entry.path().string();
        pages += entry.path().extension() == ".jpg";
        if (entry.is_regular_file() && !path.starts_with(f.settings.OutputPath()) && entry.path().extension() != ".txt" &&
            entry.path().extension() != ".cfg")
            outside.push_back(path);
        if (entry.path().filename().string().size() > 255 || entry.path().filename().string().starts_with('.') ||
            std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            outside.push_back("unclean: " + path);
    }
    return outside;
}

TEST(ConversionRun, NamesFromTheBookOrTheSettingsStayInsideTheOutputFolder)
{
    enum class Root { Book, Set, Profile };
    // A page as wide as width (0: the default) leaves room for a long title.
    const struct {
        const char* what;
        std::string heading;
        Root from;
        std::string root;
        bool diffFold;
        const char* page;
        int width = 0;
    } cases[] = {
        {"a slash in the number", "Chapter 1.2/x y", Root::Book, "", true, "CH_1.2_X_Y/book_00002 (Ch_1.2_x).jpg"},
        {"a climb in the number", "Chapter 1.2/../../../ESCAPED y", Root::Book, "", true,
         "CH_1.2_.._.._.._ESCAPED_Y/book_00002 (Ch_1.2_.._.._.._ESCAPED).jpg"},
        {"a NUL in the heading", std::string("Chapter 1.2\0x y", 15), Root::Book, "", true,
         "CH_1.2_X_Y/book_00002 (Ch_1.2_x).jpg"},
        {"a NUL, no chapter folders", std::string("Chapter 1.2\0x y", 15), Root::Book, "", false,
         "book_00002 (Ch_1.2_x).jpg"},
        {"control characters", "Chapter 1.2\x1b[2J \x07title", Root::Book, "", true,
         "CH_1.2_[2J__TITLE/book_00002 (Ch_1.2_[2J).jpg"},
        {"a 400-character title", "Chapter 1.2 " + std::string(400, 't'), Root::Book, "", true, nullptr, 4000},
        {"a 300-digit number", "Chapter " + std::string(300, '7') + ".2 x", Root::Book, "", true, nullptr},
        {"a root climbing out, by --set", "Chapter 1.2 x", Root::Set, "../escaped", true,
         "CH_01.2_X/_._escaped_00002 (Ch_01.2).jpg"},
        {"a root of 300 bytes, by --set", "Chapter 1.2 x", Root::Set, std::string(300, 'r'), true, nullptr},
        {"a root climbing out, by a profile", "Chapter 1.2 x", Root::Profile, "../../escaped", false,
         "_._.._escaped_00001 ().jpg"},
    };
    for (const auto& c : cases) {
        RunFixture f;
        // NUL characters come only in UTF-16 books: a book with NUL bytes is not text.
        std::string book = c.heading + "\r\nSome text.\r\n";
        if (book.find('\0') != std::string::npos) {
            std::string wide = "\xFF\xFE";
            for (const char ch : book)
                wide += ch, wide += '\0';
            book = wide;
        }
        f.Book(book, "book.txt");
        f.settings.TypeText("txtOutFileName", "book");
        f.settings.ApplyEdit("chkNoChars", "0");  // control characters reach the heading
        f.settings.ApplyEdit("chkDiffFold", c.diffFold ? "1" : "0");
        if (c.from == Root::Set)
            f.settings.ApplyEdit("txtOutFileName", c.root);
        if (c.from == Root::Profile) {
            std::ofstream(f.dir.Path("p.cfg"), std::ios::binary)
                << "\"p.cfg\"\r\n\"ControlName\",\"Value\",\"Enabled\",\"Index\"\r\n"
                << "\"txtOutFileName\",\"" + c.root + "\",#TRUE#,-1\r\n";
            ASSERT_TRUE(LoadProfile(f.settings, f.dir.Path("p.cfg")).ok);
        }
        if (c.width)
            f.settings.Canvas().Resize(c.width, 240);
        // With these folders present, an uncleaned name would climb out of the output folder.
        fs::create_directories(f.dir.Path("book/CH_1.2_.._.._.._ESCAPED_Y/book_00002 (Ch 1.2"));
        const RunResult result = f.Run();
        ASSERT_EQ(result.outcome, RunResult::Outcome::Finished) << c.what << ": " << result.error;
        int pages = 0;
        EXPECT_EQ(FilesOutside(f, pages), std::vector<std::string>{}) << c.what;
        EXPECT_EQ(pages, f.state.PagesWritten) << c.what;
        if (c.page) {
            EXPECT_TRUE(fs::exists(f.settings.OutputPath() + c.page)) << c.what << ": " << c.page;
        }
    }
}

TEST(ConversionRun, AWordWiderThanThePageGoesOnToTheNextPage)
{
    const struct { const char* before; int rows; } cases[] = {
        {"", 5},
        {"start ", 5},   // the split word follows a word on its row
        {"", 1},
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.settings.ApplyEdit("chkSmartLF", "0");
        std::string word;
        for (int i = 0; i < 1500; ++i)
            word += static_cast<char>('a' + i % 26);
        f.Book(c.before + word + "\r\n");
        const int rowHeight = static_cast<int>(f.settings.Canvas().TextHeight());
        f.settings.Canvas().Resize(320, rowHeight * (c.rows + 1) + rowHeight / 2);  // the header row and c.rows rows
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        std::u32string all;
        for (const auto& page : f.host.pages) {
            std::size_t rows = 0;
            for (std::size_t at = page.text.find(U'\n'); at != std::u32string::npos; at = page.text.find(U'\n', at + 1))
                ++rows;
            // A page's text ends with the row break that found it full.
            EXPECT_LE(rows, static_cast<std::size_t>(c.rows) + 1) << "page " << page.fileNumber << " runs off the bottom";
            for (char32_t ch : page.text)
                if (ch != U'\r' && ch != U'\n')
                    all += ch;
        }
        EXPECT_EQ(ToUtf8(all), c.before + word) << "rows of " << c.rows;
    }
}

TEST(ConversionRun, RowNumbersContinueAcrossPages)
{
    RunFixture f;
    f.settings.ApplyEdit("chkSmartLF", "0");
    f.settings.ApplyEdit("chkRowNrs", "1");
    std::string book;
    for (int i = 1; i <= 40; ++i)
        book += "line " + std::to_string(i) + "\r\n";
    f.Book(book);
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    ASSERT_GE(f.host.pages.size(), 2u);
    const std::u32string& first = f.host.pages[0].text;
    EXPECT_EQ(first.substr(0, 13), U"\n1 | line 1\n2");
    // Page 1 ends with the row break made for the word that then went to page 2; that row still counts,
    // so page 2 begins with the number after it.
    ASSERT_EQ(first.substr(first.size() - 3), U" | ");
    const std::size_t lastBreak = first.rfind(U'\n');
    const int lastRow = std::stoi(ToUtf8(first.substr(lastBreak + 1)));
    EXPECT_EQ(f.host.pages[1].text.substr(0, ToText(lastRow + 1).size() + 3), ToText(lastRow + 1) + U" | ");
    EXPECT_NE(f.host.pages[1].text.find(U"line " + ToText(lastRow)), std::u32string::npos);
}

// The blank that joins a line to the row before never begins a row, and the rules judge the word without it.
TEST(ConversionRun, JoiningBlankStaysBetweenWords)
{
    const struct { const char* name; std::string book; int bodyRows; std::vector<std::u32string> pages; } cases[] = {
        {"after a row number", Lines({"alpha beta", "", "gamma delta"}), 10, {U"alpha beta\n1 | gamma delta"}},
        {"at the top of a page", Lines({"one two", "three four", "", "five six"}), 1,
         {U"one two three four\n1 | ", U"2 | five six"}},
        // "b" opens a row after two counted breaks: a word of one character, so the rest of its line goes
        {"the one-character rule", Lines({"The end.", "", "A", "b", "c d"}), 10, {U"The end.\n1 | \n2 | c d"}},
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.settings.ApplyEdit("chkRowNrs", "1");
        f.Book(c.book);
        f.settings.Canvas().Resize(320, (c.bodyRows + 1) * static_cast<int>(f.settings.Canvas().TextHeight()));
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished) << c.name;
        ASSERT_EQ(f.host.pages.size(), c.pages.size()) << c.name;
        for (std::size_t i = 0; i < c.pages.size(); ++i)
            EXPECT_EQ(ToUtf8(f.host.pages[i].text), ToUtf8(c.pages[i])) << c.name << ", page " << i + 1;
    }
}

TEST(ConversionRun, SkipAsciiBelow32CleansEveryLine)
{
    for (const char* on : {"1", "0"}) {
        RunFixture f;
        f.settings.ApplyEdit("chkNoChars", on);
        f.Book("one\ttwo\x01 three\r\n");
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        EXPECT_EQ(f.host.pages[0].text, *on == '1' ? U"one two three" : U"one\ttwo\x01 three") << on;
    }
}

TEST(ConversionRun, HeadersHeadingsAndADryRun)
{
    RunFixture f;
    f.settings.ApplyEdit("chkDiffFold", "0");
    std::string book = Lines({"Chapter 1.1 The road", "It was a long road.", "", ""});
    for (int i = 0; i < 30; ++i)
        book += "line " + std::to_string(i) + "\r\n";
    f.Book(book + Lines({"", "", "Chapter 2.1 Home", "Home at last."}));
    PageOutput output(f.settings, f.state);
    output.SetDryRun(true);
    ConversionRun run(f.settings, f.state, output, f.host);
    ASSERT_EQ(run.Run().outcome, RunResult::Outcome::Finished);
    // The page that ends by a page break gets its numbers drawn then; one that ends at a heading keeps its title.
    EXPECT_EQ(f.host.headers, (std::vector<std::u32string>{U"Ch 00.0 Introduction - File# 1", U"CH 01.1 THE ROAD - File# 2",
                                                           U"CH 01.1 THE ROAD", U"CH 02.1 HOME - File# 4"}));
    EXPECT_EQ(f.host.headings, (std::vector<std::pair<int, std::u32string>>{{2, U"CH 01.1 THE ROAD"}, {4, U"CH 02.1 HOME"}}));
    EXPECT_EQ(f.state.PagesWritten, 4);
    EXPECT_FALSE(fs::exists(f.Out("")));  // no folder, no page
}

TEST(ConversionRun, HeaderTexts)
{
    const struct { bool file, page; const char32_t* expected; } cases[] = {
        {false, false, U"Title"},
        {true, false, U"Title - File# 7"},
        {false, true, U"Title - DocPg# 00003"},
        {true, true, U"Title - File# 7 - DocPg# 00003"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HeaderText(U"Title", 7, 3, c.file, c.page), c.expected);
}

TEST(ConversionRun, PageRangeWritesOnlyThePagesAsked)
{
    RunFixture f;
    f.settings.ApplyEdit("chkSmartLF", "0");
    f.settings.ApplyEdit("chkDiffFold", "0");
    f.settings.ApplyEdit("txtFromPg", "2");
    f.settings.ApplyEdit("txtToPg", "3");
    std::string book;
    for (int i = 1; i <= 200; ++i)
        book += "line " + std::to_string(i) + "\r\n";
    f.Book(book);
    // Without anyone to press Continue, the run ends at the end of the range.
    EXPECT_EQ(f.Run().outcome, RunResult::Outcome::Stopped);
    EXPECT_FALSE(fs::exists(f.Out("novel_00001 ().jpg")));
    EXPECT_TRUE(fs::exists(f.Out("novel_00002 (Ch_00.0).jpg")));
    EXPECT_TRUE(fs::exists(f.Out("novel_00003 (Ch_00.0).jpg")));
    EXPECT_FALSE(fs::exists(f.Out("novel_00004 (Ch_00.0).jpg")));
    EXPECT_EQ(f.state.PagesWritten, 2);
    EXPECT_EQ(f.host.shownFiles.size(), 3u);  // the skipped page still shows the name it would have had
}

TEST(ConversionRun, SteppedRunGoesOnOnePagePerContinue)
{
    RunFixture f;
    f.settings.ApplyEdit("chkSmartLF", "0");
    std::string book;
    for (int i = 1; i <= 200; ++i)
        book += "line " + std::to_string(i) + "\r\n";
    f.Book(book);
    f.state.Stepped = true;
    f.host.continues = 2;
    EXPECT_EQ(f.Run().outcome, RunResult::Outcome::Stopped);
    EXPECT_EQ(f.state.PagesWritten, 3);
    EXPECT_EQ(f.host.waits, 3);
}

TEST(ConversionRun, LargerFontGivesMorePages)
{
    std::size_t pages[2];
    for (int i = 0; i < 2; ++i) {
        RunFixture f;
        f.settings.ApplyEdit("txtFontSize", i == 0 ? "8" : "12");
        std::string book;
        for (int p = 0; p < 30; ++p)
            book += "The lamp-mender walked down to the river and looked at the water for a while.\r\n\r\n";
        f.Book(book);
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        pages[i] = f.host.pages.size();
    }
    EXPECT_GT(pages[1], pages[0]);
}

TEST(ConversionRun, AShorterRerunRemovesOnlyThePagesItLeftBehind)
{
    namespace fs = std::filesystem;
    RunFixture f;
    std::string book;
    for (int chapter = 1; chapter <= 2; ++chapter) {
        book += "\r\n\r\nChapter " + std::to_string(chapter) + ".1 Part\r\n";
        for (int p = 0; p < 15; ++p)
            book += "The lamp-mender walked down to the river and looked at the water for a while.\r\n\r\n";
    }
    f.Book(book);
    auto pagesOnDisk = [&] {
        std::set<std::string> pages;
        for (const auto& entry : fs::recursive_directory_iterator(f.Out("")))
            if (entry.path().extension() == ".jpg")
                pages.insert(entry.path().lexically_normal().string());
        return pages;
    };
    f.settings.ApplyEdit("txtFontSize", "12");
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    const std::size_t longRun = pagesOnDisk().size();
    const std::vector<std::string> kept = {f.Out("notes.txt"), f.Out("other_00001 ().jpg"), f.Out("novel_1 ().jpg"),
                                           f.Out("novel_00001 ().jpeg")};
    for (const std::string& path : kept)
        std::ofstream(path) << "x";

    // A page range removes nothing; the whole book at a smaller size leaves exactly its own pages of this root.
    f.settings.ApplyEdit("txtFontSize", "8");
    f.settings.ApplyEdit("txtFromPg", "2");
    EXPECT_EQ(f.Run().stalePagesRemoved, 0);
    f.settings.ApplyEdit("txtFromPg", "0");
    f.host.shownFiles.clear();
    const std::set<std::string> before = pagesOnDisk();
    const RunResult result = f.Run();
    ASSERT_EQ(result.outcome, RunResult::Outcome::Finished);
    std::set<std::string> expected = {f.Out("other_00001 ().jpg"), f.Out("novel_1 ().jpg")};
    for (const std::string& path : f.host.shownFiles)
        expected.insert(fs::path(path).lexically_normal().string());
    EXPECT_LT(f.host.shownFiles.size() + 2, longRun);
    EXPECT_EQ(pagesOnDisk(), expected);
    EXPECT_EQ(result.stalePagesRemoved,
              std::count_if(before.begin(), before.end(), [&](const std::string& p) { return !expected.count(p); }));
    for (const std::string& path : kept)
        EXPECT_TRUE(fs::exists(path)) << path;
}

TEST(ConversionRun, QuarterTurnIsClockwiseAndTheRuleShows)
{
    RunFixture f;
    f.settings.ApplyEdit("chkWB", "0");  // black on white
    f.settings.ApplyEdit("chkRotate", "1");
    f.Book("Some words.\r\n");
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    const Bitmap turned = ReadBitmapFile(f.Out("TempBMP.bmp"));
    // Laid out upright on a 240 x 320 canvas, saved turned to fit the 320 x 240 screen held sideways.
    ASSERT_EQ(turned.Width(), 320);
    ASSERT_EQ(turned.Height(), 240);
    // The upright page's header rule at y = LineHeight becomes a full-height dark column near the right edge.
    const int column = 320 - 1 - f.state.LineHeight;
    for (int y = 0; y < 240; y += 7)
        EXPECT_LT(turned.Colour(column, y).red, 64) << "row " << y;
    EXPECT_GT(turned.Colour(column - 3, 120).red, 200);
}

TEST(ConversionRun, RuleIsDrawnInTheForegroundColour)
{
    RunFixture f;  // white on black after start-up
    f.Book("Words.\r\n");
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    const Bitmap page = ReadBitmapFile(f.Out("TempBMP.bmp"));
    EXPECT_EQ(page.Colour(200, f.state.LineHeight).red, 255);
    EXPECT_EQ(page.Colour(200, f.state.LineHeight + 2).red, 0);
}

TEST(ConversionRun, FailuresAreReportedAndNothingCounted)
{
    {
        RunFixture f;
        f.settings.TypeText("txtOutFileName", "novel");
        f.settings.TypeText("txtInpFile", f.dir.Path("missing.txt"));
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, RunResult::Outcome::Failed);
        EXPECT_NE(result.error.find("missing.txt"), std::string::npos) << result.error;
        EXPECT_FALSE(fs::exists(f.Out("")));  // nothing was written, not even the folder
    }
    {
        RunFixture f;
        f.Book(Lines({"Chapter 1.1 The road", "Words."}));
        fs::create_directory(f.Out(""));
        std::ofstream(f.Out("CH_01.1_THE_ROAD")) << "a file where the chapter folder should go";
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, RunResult::Outcome::Failed);
        EXPECT_NE(result.error.find("novel_00002"), std::string::npos) << result.error;
        EXPECT_EQ(f.state.PagesWritten, 1);
    }
}

TEST(ConversionRun, ASignalOrAShrinkingBookEndsTheRunAndSaysSo)
{
    const struct {
        const char* what;
        std::size_t interruptAfter;
        bool shrink;
        RunResult::Outcome outcome;
        int written;  // -1: not checked
    } cases[] = {
        {"interrupted before the first line", 0, false, RunResult::Outcome::Interrupted, 0},
        {"interrupted after page 2", 2, false, RunResult::Outcome::Interrupted, 2},
        {"cut short during the run", SIZE_MAX, true, RunResult::Outcome::Failed, -1},
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.settings.ApplyEdit("chkSmartLF", "0");
        f.settings.ApplyEdit("chkDiffFold", "0");
        std::string book;
        for (int i = 1; book.size() < 150000; ++i)
            book += "line " + std::to_string(i) + "\r\n";
        const std::string path = f.Book(book);
        f.host.interruptAfter = c.interruptAfter;
        if (c.shrink) {
            f.settings.ApplyEdit("txtFromPg", "100000");  // laid out, not written: quicker
            f.host.atFirstPageSave = [&] { fs::resize_file(path, 70000); };
        }
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, c.outcome) << c.what << ": " << result.error;
        if (c.written >= 0) {
            EXPECT_EQ(f.state.PagesWritten, c.written) << c.what;
        }
        if (c.shrink) {
            EXPECT_NE(result.error.find("changed while it was being converted"), std::string::npos) << result.error;
        }
        int pages = 0;
        EXPECT_EQ(FilesOutside(f, pages), std::vector<std::string>{}) << c.what;  // no temporary file stays
        EXPECT_EQ(pages, f.state.PagesWritten) << c.what;
    }
}

TEST(ConversionRun, OutputFolderFallbacks)
{
    const struct { const char* blocker; const char* expected; } cases[] = {
        {nullptr, "novel/"},
        {"novel", "Out/"},  // a file named like the folder: fall back to Out/
    };
    for (const auto& c : cases) {
        RunFixture f;
        f.Book("Words.\r\n");
        if (c.blocker)
            std::ofstream(f.dir.Path(c.blocker)) << "x";
        ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
        EXPECT_TRUE(fs::exists(f.dir.Path(std::string(c.expected) + "novel_00001 ().jpg"))) << c.expected;
        EXPECT_EQ(f.settings.Value("txtJPGOutPath"), f.dir.Path(c.expected));
    }
    RunFixture f;  // neither the folder nor Out/ can be made: the book's own folder
    f.Book("Words.\r\n");
    std::ofstream(f.dir.Path("novel")) << "x";
    std::ofstream(f.dir.Path("Out")) << "x";
    ASSERT_EQ(f.Run().outcome, RunResult::Outcome::Finished);
    EXPECT_TRUE(fs::exists(f.dir.Path("novel_00001 ().jpg")));
}

} // namespace
