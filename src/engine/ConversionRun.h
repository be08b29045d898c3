#pragma once

#include "engine/BookLayout.h"
#include "engine/Masks.h"
#include "engine/ParagraphSetter.h"
#include "platform/Hyphenator.h"
#include "books/BookReader.h"
#include "engine/PageOutput.h"
#include "engine/RunHost.h"
#include "engine/RunState.h"

#include <memory>
#include <string>

class SettingsModel;

struct RunResult {
    enum class Outcome {
        Finished,  // the whole book was converted
        Stopped,   // the run ended at a stopping point (end of the page range without anyone to continue it)
        Closing,   // the main window was closed during the run
        Failed,    // the book could not be read or a page file could not be written: see error
        Interrupted,  // the host asked the run to end (a signal); the page files saved so far stay, an archive
                      // is left as it was
    };
    Outcome outcome = Outcome::Finished;
    std::string error;
    int stalePagesRemoved = 0;  // pages of an earlier run of this root after the end of the book
    std::string archive = {};   // the archive the run wrote its pages into, when it wrote one
    // The book carries the public-domain library's licence, and front and back matter were not left out.
    bool libraryLicence = false;
    std::string format = {};                 // the book's format: its encoding for a text book, "HTML", "EPUB"
    BookInfo info = {};                      // what the book says of itself
    std::vector<std::string> warnings = {};  // what was left out of the book and why
};

// When the run reads its settings, as its rules fix it; a setting read later than the start takes effect at its
// next line or page when it is changed meanwhile in the settings window.
//  - once, at the start, for the whole run: chkMultCR, chkRowNrs, chkRotate, chkChapter with txtChaptMask,
//    chkParagr with txtParagrMask, chkUseChapInFN, txtFormat (for the first label), chkBookParas, chkFrontBack,
//    txtCodePage, chkKerning, and through the mirrors the book, the root and the output folder;
//  - for every line: txtASCIISep, chkNoChars, chkSkipW, chkSmartLF;
//  - at every heading test and header: chkChapter, chkParagr, chkFileNr, chkDocPageNr, txtFormat;
//  - for every page saved (with the page output): txtFromPg, txtToPg, txtQA, chkPureBW, chkDiffFold, txtFormat,
//    lstPageFormat;
//  - once, at the start, by the page output: chkCompress.
// All are read through the model's typed accessors, which hold each value decoded since it was set.

// One conversion: reads the book line by line, fits its words into rows and pages on the canvas, starts a new
// page when the canvas is full or a heading is met, and hands every finished page to the page output.
// Everything happens on the calling thread; the host is called at the start and the end of every page save.
class ConversionRun {
public:
    ConversionRun(SettingsModel& settings, RunState& state, PageOutput& output, RunHost& host);

    RunResult Run();

private:
    // The page rules: a row ends; a page is finished and the next begun; the header row and its rule.
    // A new row; a wrapped one goes on with the paragraph of the row before, any other begins a paragraph.
    enum class Row { NewParagraph, Wrapped };
    void NewLine(Row row = Row::NewParagraph);
    void NewPage(std::u32string& pendingTitle, const std::u32string& chapterTitle, const std::u32string& chapterLabel,
                 int& blankCount, float startY);
    void DrawHeader(const std::u32string& title);

    struct Stop {
        RunResult result;
    };

    bool StartRun(RunResult& failure);
    void ProcessLine(std::u32string line);
    void StartBookRow(BookBreak where);
    // A line long enough to come in pieces is laid out piece by piece: the line's own rules are made for its
    // first piece, the others go on from where it ended.
    enum class Piece { Start, Continuation };
    void WordLoop(const std::u32string& line, Piece piece);
    void CountNewPage(std::u32string_view line);
    void ProcessStructuredLine(const std::u32string& line, const BookLine& structure);
    bool TryHeading(const std::u32string& line);

    // Typesetting (hyphenation, justified rows, paragraph ends kept together) works on whole paragraphs: the
    // lines of one are gathered and set into rows before any is drawn.
    void BeginUnit(BookBreak start, const std::u32string& text, bool kept);
    void AddToUnit(std::u32string_view text, bool joinBlank);
    void FlushUnit();
    void DrawRow(const SetRow& row, bool stretch);
    std::u32string Punctuated(const std::u32string& text) const;
    HeadingContext Context() const;
    // A heading begins a page; wholeTitle is its title before it was cut to fit the header, for the archive's
    // table of contents.
    void HeadingPageBreak(const std::u32string& wholeTitle);
    void SavePage(PageOutput::Position position = PageOutput::Position::Within);
    bool PageIsFull() const;  // the next row would pass the bottom of the page
    // Text of a row at the pen. A row in a right-to-left paragraph, or with right-to-left text in it, is kept from
    // its first such piece until the row is done, then shown in visual order (ShowRow); other text is drawn at once.
    void Print(std::u32string_view text, bool newRow);
    void PrintNow(std::u32string_view text);  // row numbers, which stay where they are in every direction
    void ShowRow();
    bool ReadLine(std::u32string& line);
    bool ReadCounted(std::u32string& line);
    bool InBody() const;
    void Clean(std::u32string& line) const;
    float Width(std::u32string_view text) const;

    SettingsModel& mSettings;
    RunState& mState;
    PageOutput& mOutput;
    RunHost& mHost;
    std::unique_ptr<BookReader> mInput;
    bool mStructured = false;  // the book says its own structure (HTML, EPUB)
    bool mTypeset = false;     // paragraphs are set before they are drawn
    bool mJustify = false, mKeepEnds = false, mBookPunctuation = false;
    float mBlankWidth = 0;  // of a blank in the face rows are set in
    std::unique_ptr<Hyphenator> mHyphenator;
    std::string mLanguageWarning;  // no dictionary for the book's language
    struct Unit {
        bool open = false;
        BookBreak start = BookBreak::Paragraph;
        bool kept = false;  // a line the book keeps
        std::u32string text;
    } mUnit;
    int mChapters = 0;         // the chapters of such a book so far
    bool mJoinBlank = false;  // the next word continues the row of the previous source line
    std::u32string mJoinedWord;  // a word with the joining blank before it, its memory kept from line to line
    bool mContinuation = false;  // the latest piece read goes on with the line before
    bool mDropRest = false;      // the rest of the line in pieces is not laid out
    bool mPageCounted = false;   // the line in pieces was counted for its new-page character
    bool mCarried = false;  // the row was begun by a word too wide for the row before, and holds no word yet

    // With chkBookParas or chkFrontBack: what the first pass learnt of the book.
    std::optional<BookLayout> mLayout;
    bool mBookParagraphs = false;
    std::size_t mLinesRead = 0;
    std::u32string mBookPrevious;  // the last line that was not blank
    bool mBlankBefore = false;     // a blank line came after it
    bool mLookForLicence = false;  // front and back matter are kept: the library's markers are looked for
    bool mLibraryLicence = false;
    // What the page holds so far: text on the current row, text anywhere on the page, empty rows just above.
    bool mRowHasText = false;
    bool mPageHasText = false;
    int mEmptyRows = 0;
    std::u32string mPageHeader;  // the header line as drawn on the page
    // The direction of the paragraph in progress, from its first strong character, and the pieces of the row kept
    // for showing in visual order, each with where it would start written left to right.
    enum class Direction { Unknown, LeftToRight, RightToLeft } mDirection = Direction::Unknown;
    struct RowPiece {
        std::u32string text;
        float x = 0;
    };
    std::vector<RowPiece> mRowPieces;
};
