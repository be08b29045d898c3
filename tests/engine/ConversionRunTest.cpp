#include "PngRead.h"
#include "RunFixture.h"
#include "base/Text.h"
#include "imaging/BmpFile.h"

#include "base/NameLock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <set>
#include <tuple>
#include <turbojpeg.h>

namespace fs = std::filesystem;

namespace {

using Outcome = RunResult::Outcome;

// The page that ends by a page break gets its numbers drawn then; one that ends at a heading keeps its title. The
// page saved when the next heading is met still goes into its own chapter's folder.
TEST(ConversionRun, ChaptersGetTheirFoldersHeadersAndHeadings)
{
    RunFixture f;
    f.Set({{"chkFileNr", "0"}, {"chkDocPageNr", "1"}});  // the command line checks the default header
    f.Book(Lines({"Chapter 1.1 The road", "It was a long road.", "", ""}) + NumberedLines(30) +
           Lines({"", "", "Chapter 2.1 Home", "Home at last."}));
    ASSERT_EQ(f.Run().outcome, Outcome::Finished);
    EXPECT_EQ(f.host.headers, (std::vector<std::u32string>{U"Ch 00.0 Introduction - DocPg# 00001",
                                                           U"CH 01.1 THE ROAD - DocPg# 00001", U"CH 01.1 THE ROAD",
                                                           U"CH 02.1 HOME - DocPg# 00001"}));
    EXPECT_EQ(f.host.headings, (std::vector<std::pair<int, std::u32string>>{{2, U"CH 01.1 THE ROAD"}, {4, U"CH 02.1 HOME"}}));
    EXPECT_EQ(f.host.shownFiles, (std::vector<std::string>{f.Out("novel_00001 ().jpg"),
                                                           f.Out("CH_01.1_THE_ROAD/novel_00002 (Ch 01.1).jpg"),
                                                           f.Out("CH_01.1_THE_ROAD/novel_00003 (Ch 01.1).jpg"),
                                                           f.Out("CH_02.1_HOME/novel_00004 (Ch 02.1).jpg")}));
    EXPECT_EQ(f.state.PagesWritten, 4);
}

// What the pages hold, row by row. The canvas is measured in characters of the monospaced face and in rows (the
// header's and the body's).
TEST(ConversionRun, PagesHoldTheirRows)
{
    RunFixture probe;
    const int cw = static_cast<int>(probe.settings.Canvas().TextWidth(U"a"));
    const int rh = static_cast<int>(probe.settings.Canvas().TextHeight());
    ASSERT_EQ(probe.settings.Canvas().TextWidth(U"abcdefghij"), 10.0f * cw) << "the face is not monospaced";
    const RunFixture::Edits plain = {{"chkSmartLF", "0"}}, numbered = {{"chkRowNrs", "1"}};
    const std::string alphabet = "abcdefghijklmnopqrstuvwxy\r\n";
    const struct { const char* name; RunFixture::Edits edits; std::string book; int width, height;
                   std::vector<std::u32string> pages; } cases[] = {
        {"a word reaching the edge is too far", plain, "abcd efghi\r\n", 3 + 10 * cw, 240, {U"\nabcd \nefghi"}},
        {"a word short of the edge", plain, "abcd efghi\r\n", 4 + 10 * cw, 240, {U"\nabcd efghi"}},
        // split between characters, a character moving only when it passes the edge, its rows going on to the
        // next page like any others
        {"a word wider than the page", plain, "abcdefghijklmnop\r\n", 3 + 10 * cw, 240, {U"\n\nabcdefghij\nklmnop"}},
        {"a wide word over pages", plain, alphabet, 3 + 10 * cw, 3 * rh + rh / 2,
         {U"\n\n", U"abcdefghij\nklmnopqrst\n", U"uvwxy"}},
        {"a wide word after a word", plain, "start " + alphabet, 3 + 10 * cw, 3 * rh + rh / 2,
         {U"\nstart \n", U"abcdefghij\nklmnopqrst\n", U"uvwxy"}},
        {"a wide word, one row a page", plain, alphabet, 3 + 10 * cw, 2 * rh + rh / 2,
         {U"\n\n", U"abcdefghij\n", U"klmnopqrst\n", U"uvwxy"}},
        // the blank that joins a line to the row before never begins a row; the rules judge the word without it
        {"joined after a row number", numbered, Lines({"alpha beta", "", "gamma delta"}), 320, 11 * rh,
         {U"alpha beta\n1 | gamma delta"}},
        {"joined at the top of a page", numbered, Lines({"one two", "three four", "", "five six"}), 320, 2 * rh,
         {U"one two three four\n1 | ", U"2 | five six"}},
        // "b" opens a row after two counted breaks: a word of one character, so the rest of its line goes
        {"the one-character rule", numbered, Lines({"The end.", "", "A", "b", "c d"}), 320, 11 * rh,
         {U"The end.\n1 | \n2 | c d"}},
        // a book's two blanks after a full stop stay behind when the word after them goes to the next row
        {"two blanks before a carried word", plain, "abcd.  efghi\r\n", 3 + 10 * cw, 240, {U"\nabcd. \nefghi"}},
        {"blanks alone carried", plain, "abcdefgh     ij\r\n", 3 + 10 * cw, 240, {U"\nabcdefgh \nij"}},
        {"control characters skipped", {{"chkNoChars", "1"}}, "one\ttwo\x01 three\r\n", 320, 240, {U"one two three"}},
        {"control characters kept", {{"chkNoChars", "0"}}, "one\ttwo\x01 three\r\n", 320, 240, {U"one\ttwo\x01 three"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture f;
        f.Set(c.edits);
        f.Book(c.book);
        f.settings.Canvas().Resize(c.width, c.height);
        ASSERT_EQ(f.Run().outcome, Outcome::Finished);
        ASSERT_EQ(f.host.pages.size(), c.pages.size());
        for (std::size_t i = 0; i < c.pages.size(); ++i)
            EXPECT_EQ(ToUtf8(f.host.pages[i]), ToUtf8(c.pages[i])) << "page " << i + 1;
    }
}

// Every file the run leaves, relative to the test's folder; none may lie outside the output folder.
std::vector<std::string> FilesOutside(const RunFixture& f, int& pages)
{
    std::vector<std::string> outside;
    for (const auto& entry : fs::recursive_directory_iterator(f.dir.Root())) {
        const std::string path = entry.path().string(), name = entry.path().filename().string();
        pages += entry.path().extension() == ".jpg";
        if (entry.is_regular_file() && !path.starts_with(f.settings.OutputPath()) && entry.path().extension() != ".txt" &&
            entry.path().extension() != ".cfg")
            outside.push_back(path);
        if (name.size() > 255 || name.starts_with('.') ||
            std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            outside.push_back("unclean: " + path);
    }
    return outside;
}

// How each piece is cleaned is SafeNamePiece's business; here every piece of a page's path goes through it.
TEST(ConversionRun, NamesFromTheBookOrTheSettingsStayInsideTheOutputFolder)
{
    // A page as wide as width (0: the default) leaves room for a long title.
    const struct { const char* what; std::string heading, root; bool diffFold; const char* page; int width = 0; } cases[] = {
        {"a climb in the number", "Chapter 1.2/../../../ESCAPED y", "", true,
         "CH_1.2_.._.._.._ESCAPED_Y/book_00002 (Ch 1.2_.._.._.._ESCAPED).jpg"},
        {"a NUL, no chapter folders", std::string("Chapter 1.2\0x y", 15), "", false, "book_00002 (Ch 1.2_x).jpg"},
        // a Windows-1252 book and a UTF-8 one with its mark give one folder
        {"Windows-1252", "Chapter 1.1 Caf\xE9", "", true, "CH_01.1_CAF\xC3\x89/book_00002 (Ch 01.1).jpg"},
        {"UTF-8", "\xEF\xBB\xBF" "Chapter 1.1 Caf\xC3\xA9", "", true, "CH_01.1_CAF\xC3\x89/book_00002 (Ch 01.1).jpg"},
        {"a 400-character title", "Chapter 1.2 " + std::string(400, 't'), "", true, nullptr, 4000},
        {"a 300-digit number", "Chapter " + std::string(300, '7') + ".2 x", "", true, nullptr},
        {"a root climbing out", "Chapter 1.2 x", "../escaped", true, "CH_01.2_X/_._escaped_00002 (Ch 01.2).jpg"},
        {"a root of 300 bytes", "Chapter 1.2 x", std::string(300, 'r'), true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
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
        f.settings.TypeText("txtOutFileName", c.root.empty() ? "book" : c.root);
        f.Set({{"chkNoChars", "0"}, {"chkDiffFold", c.diffFold ? "1" : "0"}});  // a NUL reaches the heading
        if (c.width)
            f.settings.Canvas().Resize(c.width, 240);
        // With these folders present, an uncleaned name would climb out of the output folder.
        fs::create_directories(f.dir.Path("book/CH_1.2_.._.._.._ESCAPED_Y/book_00002 (Ch 1.2"));
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, Outcome::Finished) << result.error;
        int pages = 0;
        EXPECT_EQ(FilesOutside(f, pages), std::vector<std::string>{});
        EXPECT_EQ(pages, f.state.PagesWritten);
        EXPECT_TRUE(!c.page || fs::exists(f.settings.OutputPath() + c.page)) << (c.page ? c.page : "");
    }
}

// Without anyone to press Continue, a run stops at the end of its page range, or after each page when stepped.
TEST(ConversionRun, ARunStopsAtTheRangeEndOrWhenNoOneContinues)
{
    const struct { const char* from; const char* to; bool stepped; int continues, waits, firstWritten; } cases[] = {
        {"2", "3", false, 0, 1, 1},
        {"0", "0", true, 2, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stepped ? "stepped" : "a range");
        RunFixture f;
        f.Set({{"chkSmartLF", "0"}, {"chkDiffFold", "0"}, {"txtFromPg", c.from}, {"txtToPg", c.to}});
        f.Book(NumberedLines(200));
        f.state.Stepped = c.stepped;
        f.host.continues = c.continues;
        EXPECT_EQ(f.Run().outcome, Outcome::Stopped);
        EXPECT_EQ(f.host.waits, c.waits);
        // A skipped page still shows the name it would have had.
        ASSERT_EQ(f.host.shownFiles.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(fs::exists(f.host.shownFiles[i]), i >= c.firstWritten) << f.host.shownFiles[i];
        EXPECT_EQ(f.state.PagesWritten, 3 - c.firstWritten);
        EXPECT_EQ(f.host.shownAsWritten, 3 - c.firstWritten);
    }
}

TEST(ConversionRun, AShorterRerunRemovesOnlyThePagesItLeftBehind)
{
    RunFixture f;
    std::string prose;
    for (int p = 0; p < 15; ++p)
        prose += "The lamp-mender walked down to the river and looked at the water for a while.\r\n\r\n";
    f.Book("\r\n\r\nChapter 1.1 Part\r\n" + prose + "\r\n\r\nChapter 2.1 Part\r\n" + prose);
    auto pagesOnDisk = [&] {
        std::set<std::string> pages;
        for (const auto& entry : fs::recursive_directory_iterator(f.Out("")))
            if (entry.path().extension() == ".jpg")
                pages.insert(entry.path().lexically_normal().string());
        return pages;
    };
    f.Set({{"txtFontSize", "12"}});
    ASSERT_EQ(f.Run().outcome, Outcome::Finished);
    const std::size_t longRun = pagesOnDisk().size();
    const std::vector<std::string> kept = {f.Out("notes.txt"), f.Out("other_00001 ().jpg"), f.Out("novel_1 ().jpg"),
                                           f.Out("novel_00001 ().jpeg")};
    for (const std::string& path : kept)
        std::ofstream(path) << "x";

    // A page range removes nothing; the whole book at a smaller size leaves exactly its own pages of this root.
    f.Set({{"txtFontSize", "8"}, {"txtFromPg", "2"}});
    EXPECT_EQ(f.Run().stalePagesRemoved, 0);
    f.Set({{"txtFromPg", "0"}});
    f.host.shownFiles.clear();
    const std::set<std::string> before = pagesOnDisk();
    const RunResult result = f.Run();
    ASSERT_EQ(result.outcome, Outcome::Finished);
    std::set<std::string> expected = {f.Out("other_00001 ().jpg"), f.Out("novel_1 ().jpg")};
    for (const std::string& path : f.host.shownFiles)
        expected.insert(fs::path(path).lexically_normal().string());
    EXPECT_LT(f.host.shownFiles.size() + 2, longRun);  // the larger font gave more pages
    EXPECT_EQ(pagesOnDisk(), expected);
    EXPECT_EQ(result.stalePagesRemoved,
              std::count_if(before.begin(), before.end(), [&](const std::string& p) { return !expected.count(p); }));
    for (const std::string& path : kept)
        EXPECT_TRUE(fs::exists(path)) << path;
}

// Laid out upright on a 240 x 320 canvas, a page is saved turned to fit the 320 x 240 screen held sideways. The
// header rule at y = LineHeight becomes a full-height column near the right edge, in the page's foreground colour.
TEST(ConversionRun, QuarterTurnIsClockwiseAndTheRuleIsInTheForegroundColour)
{
    for (const char* whiteOnBlack : {"0", "1"}) {
        SCOPED_TRACE(whiteOnBlack);
        RunFixture f;
        f.Set({{"chkWB", whiteOnBlack}, {"chkRotate", "1"}});
        f.Book("Some words.\r\n");
        ASSERT_EQ(f.Run().outcome, Outcome::Finished);
        const Bitmap turned = ReadBitmapFile(f.Out("TempBMP.bmp"));
        ASSERT_EQ(std::pair(turned.Width(), turned.Height()), std::pair(320, 240));
        const int ink = *whiteOnBlack == '1' ? 255 : 0, column = 320 - 1 - f.state.LineHeight;
        for (int y = 0; y < 240; y += 7)
            EXPECT_EQ(turned.Colour(column, y).red, ink) << "row " << y;
        EXPECT_EQ(turned.Colour(column - 3, 120).red, 255 - ink);
    }
}

// A PNG page holds exactly the pixels of the converter's bitmap of the page: one bit each in black and white, the
// drawn colours otherwise (anti-aliased text on green: a palette), upright or turned.
TEST(ConversionRun, PngPagesHoldThePagesPixels)
{
    const struct { const char* pureBW; const char* rotate; int bitDepth, colourType; } cases[] = {
        {"1", "0", 1, PNG_COLOR_TYPE_GRAY},    {"1", "1", 1, PNG_COLOR_TYPE_GRAY},
        {"0", "0", 8, PNG_COLOR_TYPE_PALETTE}, {"0", "1", 8, PNG_COLOR_TYPE_PALETTE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "black and white " << c.pureBW << ", turned " << c.rotate);
        RunFixture f;
        f.Set({{"lstPageFormat", "PNG"}, {"chkPureBW", c.pureBW}, {"chkRotate", c.rotate}, {"chkGreenBkg", "1"}});
        f.Book("Some words, and a few more of them.\r\n");
        ASSERT_EQ(f.Run().outcome, Outcome::Finished);
        const Bitmap page = ReadBitmapFile(f.Out("novelBW.bmp"));
        ASSERT_TRUE(f.host.shownFiles.back().ends_with(".png"));
        const PngRead png(ReadFileText(f.host.shownFiles.back()));
        ASSERT_EQ(std::tuple(png.width, png.height, png.bitDepth, png.colourType),
                  std::tuple(page.Width(), page.Height(), c.bitDepth, c.colourType));
        int wrong = 0;
        for (int y = 0; y < page.Height(); ++y)
            for (int x = 0; x < page.Width(); ++x) {
                const RgbQuad colour = page.Colour(x, y);
                wrong += png.At(x, y) != static_cast<std::uint32_t>(colour.red << 16 | colour.green << 8 | colour.blue);
            }
        EXPECT_EQ(wrong, 0);
    }
}

// The width and height a JPEG file declares; 0 by 0 when it cannot be read.
std::pair<int, int> JpegSize(const std::string& path)
{
    const std::string jpeg = ReadFileText(path);
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &width, &height,
                            &subsampling, &colourspace) != 0)
        width = height = 0;
    tjDestroy(handle);
    return {width, height};
}

// A custom screen, set as the command line sets it (Custom first, then its sides), gives pages of its size, swapped,
// turned and several screens high as the presets do, in both pipelines. Odd sides catch rows padded wrongly: the
// header rule must run straight across the last page, or straight down it once turned.
TEST(ConversionRun, CustomScreenSizes)
{
    const struct { const char* width; const char* height; const char* swap; const char* rotate; const char* multiplier;
                   const char* pureBW; int pageWidth, pageHeight; } cases[] = {
        {"480", "272", "0", "0", "1", "1", 480, 272},  {"128", "160", "0", "0", "1", "0", 128, 160},
        {"240", "320", "1", "0", "1", "1", 320, 240},  {"480", "272", "0", "1", "1", "0", 480, 272},
        {"133", "97", "1", "1", "2", "1", 194, 133},   {"133", "97", "1", "1", "2", "0", 194, 133},
        {"101", "68", "0", "0", "1.5", "1", 101, 102}, {"16", "16", "0", "0", "1", "1", 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " swap " << c.swap << " rotate " << c.rotate
                                        << " multiplier " << c.multiplier << " black and white " << c.pureBW);
        RunFixture f;
        f.Book(Lines({"Chapter 1.1 The road", "It was a long road, and she walked it all the way to the sea."}));
        for (const auto& [key, value] : RunFixture::Edits{{"chkSwapDim", c.swap}, {"chkRotate", c.rotate},
                                                          {"txtScrX", c.multiplier}, {"chkPureBW", c.pureBW},
                                                          {"optScrRes", "3"}, {"txtCustWidth", c.width},
                                                          {"Text1", c.height}})
            ASSERT_EQ(f.settings.ApplyEdit(key, value), std::nullopt) << key;
        const RunResult result = f.Run();
        ASSERT_EQ(result.outcome, Outcome::Finished) << result.error;
        ASSERT_GE(f.state.PagesWritten, 2);
        for (const std::string& page : f.host.shownFiles)
            EXPECT_EQ(JpegSize(page), std::pair(c.pageWidth, c.pageHeight)) << page;
        const Bitmap last = ReadBitmapFile(f.Out("TempBMP.bmp"));
        ASSERT_EQ(std::pair(last.Width(), last.Height()), std::pair(c.pageWidth, c.pageHeight));
        const bool turned = *c.rotate == '1';
        const int along = turned ? c.pageHeight : c.pageWidth, rule = f.state.LineHeight;
        int off = 0;
        for (int i = f.state.LeftMargin; i < along; ++i)  // a page after the first draws it from the margin
            off += (turned ? last.Colour(c.pageWidth - 1 - rule, i) : last.Colour(i, rule)).red != 255;
        EXPECT_EQ(off, 0) << "pixels of the rule not drawn";
    }
}

// A run with Custom selected and a side out of range, or a page taller than a canvas may be, is refused before
// anything is made.
TEST(ConversionRun, CustomSizesOutOfRangeAreRefused)
{
    const struct { const char* width; const char* height; const char* multiplier; const char* says; } cases[] = {
        {"0", "0", "1", "16 to 4096"},     {"15", "240", "1", "16 to 4096"}, {"320", "4097", "1", "16 to 4096"},
        {"320", "", "1", "16 to 4096"},    {"32O", "240", "1", "16 to 4096"}, {"2OO", "240", "1", "\"2OO\""},
        {"4096", "4096", "5", "at most 16384"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << '"' << c.width << "\" x \"" << c.height << "\" multiplier " << c.multiplier);
        RunFixture f;
        f.Book("Some words.\r\n");
        f.settings.SelectOption(3);
        f.settings.TypeText("txtScrX", c.multiplier);
        f.settings.SetText("txtCustWidth", c.width);  // typed into the window, and not left yet
        f.settings.SetText("Text1", c.height);
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
        EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.Root()), fs::directory_iterator()), 1);
        EXPECT_TRUE(f.host.pages.empty());
    }
}

// The working bitmaps show the last page written, however the run ends: "TempBMP.bmp" as it was drawn, the
// converter's bitmap as that page in black and white (each pixel the nearer of the two).
TEST(ConversionRun, TheWorkingBitmapsShowTheLastPageWritten)
{
    struct KeepingHost : RecordingHost {
        std::vector<Bitmap> drawn;
        void PreviewPage(const Bitmap& page, std::u32string_view text) override
        {
            drawn.push_back(page);
            RecordingHost::PreviewPage(page, text);
        }
    };
    const struct { const char* what; int lines; const char* to; std::size_t interruptAfter; const char* green; std::size_t pages; } cases[] = {
        {"one page", 1, "0", SIZE_MAX, "0", 1},
        {"the whole book", 40, "0", SIZE_MAX, "0", 3},
        {"the whole book on green", 40, "0", SIZE_MAX, "1", 3},
        {"the end of the page range", 200, "2", SIZE_MAX, "0", 2},
        {"interrupted after page 2", 200, "0", 2, "1", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        KeepingHost host;
        host.interruptAfter = c.interruptAfter;
        f.Set({{"chkSmartLF", "0"}, {"chkDiffFold", "0"}, {"txtToPg", c.to}, {"chkGreenBkg", c.green}});
        f.Book(NumberedLines(c.lines));
        f.Run(host);
        ASSERT_EQ(host.drawn.size(), c.pages);
        const Bitmap temp = ReadBitmapFile(f.Out("TempBMP.bmp"));
        EXPECT_TRUE(std::ranges::equal(temp.Bits(), host.drawn.back().Bits()));
        const Bitmap bw = ReadBitmapFile(f.Out("novelBW.bmp"));
        ASSERT_EQ(std::tuple(bw.Width(), bw.Height(), bw.BitsPerPixel()), std::tuple(320, 240, 1));
        int wrong = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const RgbQuad drawn = temp.Colour(x, y);
                const int dark = drawn.red * drawn.red + drawn.green * drawn.green + drawn.blue * drawn.blue;
                const int light = (255 - drawn.red) * (255 - drawn.red) + (255 - drawn.green) * (255 - drawn.green) +
                                  (255 - drawn.blue) * (255 - drawn.blue);
                wrong += bw.Colour(x, y).red != (light < dark ? 255 : 0);
            }
        EXPECT_EQ(wrong, 0);
    }
}

// A run that ends early says why, counts only the pages it wrote and leaves no temporary file.
TEST(ConversionRun, ARunThatEndsEarlySaysWhy)
{
    const struct { const char* what; std::size_t interruptAfter; bool shrink; const char* blocker; Outcome outcome;
                   int written; const char* message; } cases[] = {
        {"interrupted before the first line", 0, false, nullptr, Outcome::Interrupted, 0, ""},
        {"interrupted after page 2", 2, false, nullptr, Outcome::Interrupted, 2, ""},
        {"cut short during the run", SIZE_MAX, true, nullptr, Outcome::Failed, 0, "changed while it was being converted"},
        {"a file where the chapter folder goes", SIZE_MAX, false, "CH_01.1_THE_ROAD", Outcome::Failed, 1, "novel_00002"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunFixture f;
        f.Set({{"chkSmartLF", "0"}});
        const std::string path = f.Book(c.blocker ? Lines({"Chapter 1.1 The road", "Words."}) : NumberedLines(15000));
        f.host.interruptAfter = c.interruptAfter;
        if (c.shrink) {
            f.Set({{"txtFromPg", "100000"}});  // laid out, not written: quicker
            f.host.atPageSave = [&](int) { fs::resize_file(path, 70000); };
        }
        if (c.blocker) {
            fs::create_directory(f.Out(""));
            std::ofstream(f.Out(c.blocker)) << "x";
        }
        const RunResult result = f.Run();
        EXPECT_EQ(result.outcome, c.outcome) << result.error;
        EXPECT_EQ(f.state.PagesWritten, c.written);
        EXPECT_TRUE(*c.message ? result.error.find(c.message) != std::string::npos : result.error.empty()) << result.error;
        int pages = 0;
        EXPECT_EQ(FilesOutside(f, pages), std::vector<std::string>{});
        EXPECT_EQ(pages, f.state.PagesWritten);
    }
}

// Laid out as the book lays itself out, a library e-book loses its front and back matter (its closing line
// too), its contents list stays text, and its headings are found whether or not the mask names them.
TEST(ConversionRun, TheBookLayoutPassFindsTheHeadings)
{
    RunFixture f;
    f.Set({{"chkBookParas", "1"}, {"chkFrontBack", "1"}, {"chkParagr", "0"}, {"chkDiffFold", "0"},
           {"txtChaptMask", "CHAPTER [IVX]*"}});
    std::string prose;
    for (int i = 0; i < 30; ++i)
        prose += "The rain went on and on over the hills and the farms, day after day.\r\n";
    f.Book(Lines({"The Library's E-book of Rain", "*** START OF THE E-BOOK ***", "CONTENTS", "", "CHAPTER I. Rain", "",
                  "CHAPTER II. More rain", "", "CHAPTER THE LAST. Sun", "", "", "CHAPTER I.", ""}) +
           prose + Lines({"It ended there.", "", "CHAPTER II.", ""}) + prose +
           Lines({"", "", "CHAPTER THE LAST.", "", "THE SUN", ""}) + prose +
           Lines({"", "End of the Library's E-book of Rain", "End of the Project Gutenberg EBook of Rain",
                  "*** END OF THE E-BOOK ***", "Licence text."}));
    f.settings.Canvas().Resize(640, 480);
    const RunResult result = f.Run();
    ASSERT_EQ(result.outcome, Outcome::Finished);
    EXPECT_FALSE(result.libraryLicence);  // the licence was left out
    // "CHAPTER II." follows a sentence and one blank line.
    EXPECT_EQ(f.host.headings, (std::vector<std::pair<int, std::u32string>>{
                                   {2, U"CH I."}, {3, U"CH II."}, {4, U"CHAPTER THE LAST. THE SUN"}}));
    EXPECT_NE(f.host.pages.front().find(U"CHAPTER II. More rain"), std::u32string::npos);
    EXPECT_EQ(f.host.pages.back().find(U"Project Gutenberg"), std::u32string::npos);
    EXPECT_NE(f.host.pages.back().find(U"End of the Library's E-book of Rain"), std::u32string::npos);
    EXPECT_TRUE(fs::exists(f.Out("novel_00004 (Ch LAST).jpg")));

    // With the front and back matter kept, the run tells that the book has the library's licence.
    RunFixture plain;
    plain.Book(Lines({"Licence.", "*** START OF THE E-BOOK ***", "Text."}));
    EXPECT_TRUE(plain.Run().libraryLicence);
    plain.Book(Lines({"Text.", "*** The end ***"}));
    EXPECT_FALSE(plain.Run().libraryLicence);
}

// A line longer than a piece of the book is laid out piece by piece as the one line it is: every word once, in
// order; a marked long line goes whole; its new-page characters count once for the line.
TEST(ConversionRun, ALongLineIsLaidOutInPieces)
{
    std::string words;
    for (int i = 0; words.size() < 150000; ++i)
        words += "w" + std::to_string(i) + " ";
    const auto wordsOf = [](const std::u32string& text) {
        std::vector<std::u32string> found;
        std::u32string word;
        for (char32_t c : text + U" ")
            if (c == U' ' || c == U'\n') {
                if (!word.empty())
                    found.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        return found;
    };
    RunFixture f;
    f.Set({{"chkParagr", "0"}, {"txtFromPg", "1000000"}});  // laid out, not written: quicker
    f.Book("start\r\n" + words + "\r\nNEXT > " + words + "\r\nmore " + words + "\f" + words + "\fend\r\n");
    ASSERT_EQ(f.Run().outcome, Outcome::Finished);
    std::u32string pages;
    for (const std::u32string& page : f.host.pages)
        pages += page + U"\n";
    const std::u32string kept = U"start " + FromUtf8(words) + U"more " + FromUtf8(words) + U"\f" + FromUtf8(words) + U"\fend";
    EXPECT_TRUE(wordsOf(pages) == wordsOf(kept));
    EXPECT_EQ(f.state.DocumentPage, 2);
}

// A run holds a lock for its root in its output folder: a second run of that root there is refused and writes
// nothing. A run removes the temporary files killed runs of its root left, not those of a living process or of
// another root; and a folder it made and left empty goes.
TEST(ConversionRun, ARunClaimsItsOutputFolder)
{
    RunFixture f;
    f.Book("Some words.\r\n");
    fs::create_directory(f.Out(""));
    {
        auto held = NameLock::Take(f.Out(".novel.leafcast-lock"));
        ASSERT_TRUE(held);
        const RunResult refused = f.Run();
        EXPECT_EQ(refused.outcome, Outcome::Failed);
        EXPECT_NE(refused.error.find(f.Out("")), std::string::npos) << refused.error;
        EXPECT_EQ(f.state.PagesWritten, 0);
        EXPECT_FALSE(fs::exists(f.Out("novel_00001 ().jpg")));
    }

    const pid_t dead = fork();
    if (dead == 0)
        _exit(0);
    waitpid(dead, nullptr, 0);
    const std::string gone = std::to_string(dead), living = std::to_string(getpid());
    fs::create_directory(f.Out("CH_1"));
    const struct { std::string name; bool stays; } temporaries[] = {
        {".novel_00007 ().jpg." + gone + ".3.tmp", false}, {"CH_1/.novel_00002 (Ch 1).jpg." + gone + ".0.tmp", false},
        {".novelBW.bmp." + gone + ".1.tmp", false},        {".TempBMP.bmp." + gone + ".2.tmp", false},
        {".novel_00008 ().jpg." + living + ".4.tmp", true}, {".other_00001 ().jpg." + gone + ".5.tmp", true},
        {".novel.cbz." + gone + ".6.tmp", false},
        {".novel_notes.txt", true},
    };
    for (const auto& t : temporaries)
        std::ofstream(f.Out(t.name)) << "x";
    ASSERT_EQ(f.Run().outcome, Outcome::Finished);
    for (const auto& t : temporaries)
        EXPECT_EQ(fs::exists(f.Out(t.name)), t.stays) << t.name;
    EXPECT_FALSE(fs::exists(f.Out(".novel.leafcast-lock")));  // let go of, and gone

    // A run that writes no file (its page range lies after the book) leaves no folder of its own behind.
    RunFixture after;
    after.Book("Words.\r\n");
    after.Set({{"txtFromPg", "5"}});
    ASSERT_EQ(after.Run().outcome, Outcome::Finished);
    EXPECT_FALSE(fs::exists(after.Out(""))) << after.settings.OutputPath();
}

// A file named like the output folder: Out/ beside the book; neither can be made: the book's own folder.
TEST(ConversionRun, OutputFolderFallbacks)
{
    const struct { std::vector<const char*> blockers; const char* folder; } cases[] = {
        {{}, "novel/"}, {{"novel"}, "Out/"}, {{"novel", "Out"}, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        RunFixture f;
        f.Book("Words.\r\n");
        for (const char* blocker : c.blockers)
            std::ofstream(f.dir.Path(blocker)) << "x";
        ASSERT_EQ(f.Run().outcome, Outcome::Finished);
        EXPECT_TRUE(fs::exists(f.dir.Path(std::string(c.folder) + "novel_00001 ().jpg")));
        EXPECT_EQ(f.settings.Value("txtJPGOutPath"), f.dir.Path(c.folder));
    }
}

} // namespace
