#include "engine/ConversionRun.h"

#include "books/OpenBook.h"
#include "engine/Masks.h"
#include "engine/PageDecorations.h"
#include "base/Text.h"
#include "engine/TextCleanup.h"
#include "platform/Bidi.h"
#include "base/Rounding.h"
#include "settings/SettingsModel.h"

#include <algorithm>
#include <stdexcept>

namespace {
constexpr const char* kDefaultRoot = "Win_Graphics_";
}

ConversionRun::ConversionRun(SettingsModel& settings, RunState& state, PageOutput& output, RunHost& host)
    : mSettings(settings), mState(state), mOutput(output), mHost(host)
{
}

float ConversionRun::Width(std::u32string_view text) const { return mSettings.Canvas().TextWidth(text); }

void ConversionRun::Print(std::u32string_view text, bool newRow)
{
    PageCanvas& canvas = mSettings.Canvas();
    if (!text.empty()) {
        if (mDirection == Direction::Unknown)
            if (const auto rightToLeft = FirstStrongIsRightToLeft(text))
                mDirection = *rightToLeft ? Direction::RightToLeft : Direction::LeftToRight;
        // Until a paragraph shows its direction its text is kept too: it may be a right-to-left one.
        if (!mRowPieces.empty() || mDirection != Direction::LeftToRight || HasRightToLeft(text)) {
            mRowPieces.push_back({std::u32string(text), canvas.CurrentX()});
            canvas.Advance(text);
            mHost.PreviewPrint(text, false);
            if (!newRow)
                return;
            text = {};
        }
    }
    if (newRow)
        ShowRow();
    canvas.Print(text, newRow ? PageCanvas::Then::NewRow : PageCanvas::Then::StayOnRow);
    mHost.PreviewPrint(text, newRow);
}

void ConversionRun::PrintNow(std::u32string_view text)
{
    mSettings.Canvas().Print(text, PageCanvas::Then::StayOnRow);
    mHost.PreviewPrint(text, false);
}

void ConversionRun::ShowRow()
{
    if (mRowPieces.empty())
        return;
    PageCanvas& canvas = mSettings.Canvas();
    const float pen = canvas.CurrentX();
    const bool rightToLeft = mDirection == Direction::RightToLeft;
    std::u32string row;
    for (const RowPiece& piece : mRowPieces)
        row += piece.text;
    if (!rightToLeft && !HasRightToLeft(row)) {
        // Left to right after all: drawn where the pieces were measured, as if at once.
        for (const RowPiece& piece : mRowPieces) {
            canvas.SetCurrentX(piece.x);
            canvas.Print(piece.text, PageCanvas::Then::StayOnRow);
        }
    } else {
        // The pieces at each embedding level, where they would stand left to right, turned into visual order;
        // a right-to-left row ends at the right margin, as far as it can without passing its own start.
        const std::vector<std::uint8_t> levels = EmbeddingLevels(row, rightToLeft);
        struct Part {
            std::u32string_view text;
            bool blank;
        };
        std::vector<Part> parts;
        std::vector<DirectedSpan> spans;
        std::size_t at = 0;
        const float start = mRowPieces.front().x;
        float end = start;
        for (const RowPiece& piece : mRowPieces) {
            float x = piece.x;
            for (std::size_t i = 0; i < piece.text.size();) {
                std::size_t j = i + 1;
                while (j < piece.text.size() && levels[at + j] == levels[at + i])
                    ++j;
                const std::u32string_view text = std::u32string_view(piece.text).substr(i, j - i);
                const float width = canvas.TextWidthDirected(text, levels[at + i] & 1);
                parts.push_back({text, text.find_first_not_of(U' ') == std::u32string_view::npos});
                spans.push_back({levels[at + i], x, width});
                x += width;
                i = j;
            }
            at += piece.text.size();
            end = std::max(end, x);
        }
        ShowInVisualOrder(spans);
        float shift = 0;
        if (rightToLeft) {
            float inkLeft = end;
            for (std::size_t i = 0; i < parts.size(); ++i)
                if (!parts[i].blank)
                    inkLeft = std::min(inkLeft, spans[i].x);
            shift = std::max(static_cast<float>(canvas.Width() - mState.LeftMargin) - end, start - inkLeft);
        }
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (parts[i].blank)
                continue;
            canvas.SetCurrentX(spans[i].x + shift);
            canvas.PrintDirected(parts[i].text, spans[i].level & 1);
        }
    }
    canvas.SetCurrentX(pen);
    mRowPieces.clear();
}

bool ConversionRun::StartRun(RunResult& failure)
{
    // The page size and the book are checked first, so that a run refused for either writes nothing.
    if (auto refused = mSettings.RefusedPageSize()) {
        failure = {RunResult::Outcome::Failed, *refused};
        return false;
    }
    std::string error;
    // The prompt the empty box shows is no book.
    const std::string& book =
        mSettings.InputPath() == TableEntry(Control::txtInpFile).defaultValue ? std::string() : mSettings.InputPath();
    auto opened = OpenBook(book, {mSettings.Value(Control::txtCodePage), mSettings.On(Control::chkFrontBack)});
    if (!opened) {
        failure = {RunResult::Outcome::Failed, opened.Failure().message};
        return false;
    }
    mInput = std::move(*opened);
    // An HTML or EPUB book says where its paragraphs, kept lines and chapters are; a text book is surveyed.
    mStructured = mInput->IsStructured();
    mChapters = 0;
    mBookParagraphs = mSettings.On(Control::chkBookParas) && !mStructured;
    mLayout.reset();
    if (!mStructured && (mBookParagraphs || mSettings.On(Control::chkFrontBack))) {
        // Laid out as the book lays itself out, the book's headings are looked for as well.
        const bool findHeadings = mBookParagraphs && mSettings.On(Control::chkChapter);
        MaskHeadingTest isMaskHeading;
        if (findHeadings && !mSettings.Text(Control::txtChaptMask).empty())
            isMaskHeading = [this, mask = mSettings.Text(Control::txtChaptMask)](std::u32string_view line) {
                return MatchesMask(line, mask) &&
                       !IsMarkedPhrase(line, mSettings.On(Control::chkSkipW), mSettings.MarkedPhrases());
            };
        mLayout = SurveyBook(*mInput, BookSurvey(mSettings.On(Control::chkFrontBack), findHeadings, isMaskHeading),
                             [this](std::u32string& line) { Clean(line); }, error);
        if (!mLayout) {
            failure = {RunResult::Outcome::Failed, "cannot read the book " + mSettings.InputPath() + ": " + error};
            return false;
        }
    }
    // Paragraphs are known in the book-layout mode and in HTML and EPUB books; only there can they be set.
    mJustify = mSettings.On(Control::chkJustify);
    mKeepEnds = mSettings.On(Control::chkWidows);
    mBookPunctuation = mSettings.On(Control::chkTypoPunct);
    mSettings.Canvas().SetShapeAll(mSettings.On(Control::chkKerning));
    mSettings.Canvas().SetLanguage(!mSettings.Value(Control::txtLanguage).empty() ? mSettings.Value(Control::txtLanguage)
                                                                                 : mInput->Info().language);
    mDirection = Direction::Unknown;
    mRowPieces.clear();
    mHyphenator.reset();
    mTypeset = (mBookParagraphs || mStructured) &&
               (mJustify || mKeepEnds || mSettings.On(Control::chkHyphenate));
    mUnit = {};
    mLanguageWarning.clear();
    if (mTypeset && mSettings.On(Control::chkHyphenate)) {
        // The language the user chose, else the book's own, else English.
        std::string language = mSettings.Value(Control::txtLanguage);
        if (language.empty())
            language = mInput->Info().language.empty() ? "en-US" : mInput->Info().language;
        mHyphenator = Hyphenator::ForLanguage(language);
        if (!mHyphenator)
            mLanguageWarning = "no hyphenation dictionary for the language \"" + language +
                               "\" is installed (install its hyphen- package): words are not hyphenated";
    }
    mLinesRead = 0;
    mLookForLicence = !mSettings.On(Control::chkFrontBack);
    mLibraryLicence = false;
    mBookPrevious.clear();
    mBlankBefore = false;
    mRowHasText = mPageHasText = false;
    mEmptyRows = 0;

    PageCanvas& canvas = mSettings.Canvas();
    mState.LineHeight = static_cast<int>(RoundHalfEven(canvas.TextHeight()));  // the height of "I", as of any text
    mState.LeftMargin = 3;
    mState.TopY = mState.LineHeight;
    mSettings.BeginRun(kDefaultRoot);
    mOutput.BeginRun();
    mOutput.PrepareOutputFolder();
    if (auto claimed = mOutput.ClaimOutputFolder(); !claimed) {
        mOutput.EndRun();
        mSettings.EndRunOutputFolder();
        failure = {RunResult::Outcome::Failed, claimed.Failure().message};
        return false;
    }

    mState.BlankCount = 0;
    mState.FileNumber = 1;
    mState.DocumentPage = 1;
    mState.RowNumber = 0;
    mState.BytesRead = 0;
    mState.PagesWritten = 0;
    mState.BlankStep = mSettings.On(Control::chkMultCR) ? 1 : 0;
    mState.RowPrefix.clear();
    mState.PreviousLine.clear();
    mState.PreviousLineWidth = 0;
    mState.LastChar.clear();
    mState.FirstChar.clear();
    mState.NumberText.clear();
    mState.NumberTitle.clear();
    mState.HeaderTitle.clear();
    mState.TitlePending = false;
    if (mSettings.RotateOn())
        mSettings.RotatePic();

    mOutput.PageSurface.ClearUp();
    mSettings.ClearCanvas();
    mHost.CanvasCleared();
    mSettings.SetPageText({});

    mState.ChapterMask = mSettings.On(Control::chkChapter) ? mSettings.Text(Control::txtChaptMask) : U"";
    mState.ParagraphMask = mSettings.On(Control::chkParagr) ? mSettings.Text(Control::txtParagrMask) : U"";
    mState.UseChapterInFileNames = mSettings.On(Control::chkUseChapInFN);
    mState.ChapterLabel = U"Ch " + FormatNumber(0, mSettings.Text(Control::txtFormat));
    mState.ChapterTitle = mState.ChapterLabel + U" Introduction";
    mState.PendingTitle.clear();

    mState.InputLength = mInput->Size();
    mState.ReferenceWidth = RoundHalfEven(Width(std::u32string(25, U'M')));
    const float oWidth = Width(U"O");
    mState.CharsPerLine = oWidth > 0 ? static_cast<int>(RoundHalfEven(canvas.Width() / oWidth)) : 0;
    DrawHeader(mState.ChapterTitle);
    return true;
}

RunResult ConversionRun::Run()
{
    RunResult result;
    if (!StartRun(result))
        return result;
    try {
        std::u32string line;
        while (ReadCounted(line)) {
            if (mHost.Interrupted())
                throw Stop{{RunResult::Outcome::Interrupted, ""}};
            if (!InBody())
                continue;
            if (!mContinuation)
                ProcessLine(std::move(line));
            else if (!mDropRest && mTypeset)
                AddToUnit(mBookPunctuation ? Punctuated(line) : line, false);
            else if (!mDropRest)
                WordLoop(mBookPunctuation ? Punctuated(line) : line, Piece::Continuation);
        }
        if (!mInput->Error().empty()) {
            mOutput.EndRun();
            return {RunResult::Outcome::Failed, "cannot read the book " + mSettings.InputPath() + ": " + mInput->Error()};
        }
        FlushUnit();
        SavePage(PageOutput::Position::Last);
        // A book whose size changed during the run was read partly as one file, partly as another.
        if (mInput->BytesConsumed() != mInput->Size())
            result = {RunResult::Outcome::Failed,
                      "the book " + mSettings.InputPath() + " changed while it was being converted (" +
                          std::to_string(mInput->Size()) + " bytes at the start, " +
                          std::to_string(mInput->BytesConsumed()) + " read): convert it again"};
    } catch (const Stop& stop) {
        result = stop.result;
    } catch (const std::exception& e) {
        result = {RunResult::Outcome::Failed, e.what()};
    }
    if (auto bitmaps = mOutput.WriteWorkingBitmaps(); !bitmaps && result.outcome != RunResult::Outcome::Failed)
        result = {RunResult::Outcome::Failed, bitmaps.Failure().message};
    // The archive holds the whole book, or the page range it stopped at (written there already); a run stopped,
    // interrupted or failed on the way leaves the one that was there.
    if (result.outcome == RunResult::Outcome::Finished)
        if (auto archived = mOutput.CommitArchive(mInput->Info()); !archived)
            result = {RunResult::Outcome::Failed, archived.Failure().message};
    if (mOutput.ArchiveWritten())
        result.archive = mOutput.ArchivePath();
    // Only a run that wrote the whole book knows which pages of its root are stale.
    if (result.outcome == RunResult::Outcome::Finished && mSettings.Number(Control::txtFromPg) <= 1)
        result.stalePagesRemoved = mOutput.RemoveStalePages();
    result.libraryLicence = mLibraryLicence;
    result.format = mInput->FormatName();
    result.info = mInput->Info();
    result.warnings = mInput->Warnings();
    if (!mLanguageWarning.empty())
        result.warnings.push_back(mLanguageWarning);
    mInput.reset();
    mOutput.EndRun();
    mSettings.EndRunOutputFolder();
    return result;
}

void ConversionRun::Clean(std::u32string& line) const
{
    const auto isControl = [](char32_t c) { return c < 32; };
    if (mSettings.On(Control::chkNoChars) && std::any_of(line.begin(), line.end(), isControl))
        line = WithoutControlCharacters(line, NewPageCharacter(mSettings.Text(Control::txtASCIISep)));
}

bool ConversionRun::ReadLine(std::u32string& line)
{
    mContinuation = mInput->Continues();
    if (!mInput->ReadLine(line))
        return false;
    ++mLinesRead;
    mState.BytesRead = mInput->BytesConsumed();
    Clean(line);
    if (mLookForLicence && (IsFrontMatterEnd(line) || IsBackMatterStart(line)))
        mLibraryLicence = true, mLookForLicence = false;
    return true;
}

// Lines outside the body are read and counted all the same, so the progress and the document pages still
// cover the whole file.
bool ConversionRun::InBody() const
{
    const std::size_t line = mLinesRead - 1;
    return !mLayout || (line >= mLayout->bodyStart && line < mLayout->bodyEnd);
}

bool ConversionRun::ReadCounted(std::u32string& line)
{
    if (!ReadLine(line))
        return false;
    CountNewPage(line);
    return true;
}

// A line with the new-page character counts once, in however many pieces it comes.
void ConversionRun::CountNewPage(std::u32string_view line)
{
    if (!mContinuation)
        mPageCounted = false;
    if (!mPageCounted && IsNewPageLine(line, NewPageCharacter(mSettings.Text(Control::txtASCIISep))))
        ++mState.DocumentPage, mPageCounted = true;
}

void ConversionRun::ProcessLine(std::u32string line)
{
    if (mStructured) {
        ProcessStructuredLine(line, *mInput->Structure());
        return;
    }
    // What is left of a line that is not laid out (a marked or a blank line, a heading) goes with it.
    mDropRest = true;
    // A marked line goes whole, and so does a blank line right after it.
    while (IsMarkedPhrase(line, mSettings.On(Control::chkSkipW), mSettings.MarkedPhrases())) {
        std::u32string next;
        do {
            if (!ReadLine(next))
                return;  // the end of the book is handled by the caller's next read
            CountNewPage(next);
        } while (mContinuation);
        if (TrimBlanks(next).empty())
            return;
        if (!InBody())
            return;
        line = std::move(next);
    }

    // With the book's own paragraphs, a blank line is just a blank line, and a joined line loses its indent.
    BookBreak bookBreak = BookBreak::Join;
    if (mBookParagraphs) {
        if (TrimBlanks(line).empty()) {
            line.clear();
            mBlankBefore = true;
            // A heading's line before it is the blank line, whether or not the blank made a row.
            mState.PreviousLine.clear();
        } else {
            bookBreak = BookLineStart(*mLayout, mBookPrevious, mBlankBefore, line);
            mBookPrevious = line;
            mBlankBefore = false;
            if (bookBreak == BookBreak::Join)
                line = TrimLeadingBlanks(line);
        }
    }

    if (mBookPunctuation)
        line = Punctuated(line);
    const float lineWidth = Width(line);
    mState.ReferenceWidth = std::max(static_cast<long>(RoundHalfEven(lineWidth)), mState.ReferenceWidth);
    const std::u32string previousFirstChar = mState.FirstChar;
    const LineStart start = EvaluateLineStart({line, lineWidth, mState.PreviousLineWidth, mState.ReferenceWidth,
                                               previousFirstChar, mState.LastChar, mSettings.On(Control::chkSmartLF),
                                               [this](std::u32string_view text) { return Width(text); }});
    mState.FirstChar = start.firstChar;

    if (mTypeset) {
        // A blank line ends the paragraph; a heading ends it and opens a page; a line the book starts a row with
        // begins a paragraph or a kept line; any other line goes on with the paragraph.
        const bool blank = TrimBlanks(line).empty();
        if (blank || bookBreak != BookBreak::Join) {
            FlushUnit();
            if (!blank && TryHeading(line))
                return;
        }
        if (!blank) {
            if (bookBreak == BookBreak::Join && mUnit.open)
                AddToUnit(line, !mState.PreviousLine.empty() && mState.PreviousLine.back() != U' ');
            else
                BeginUnit(bookBreak == BookBreak::Join ? BookBreak::Paragraph : bookBreak, line,
                          bookBreak == BookBreak::Row);
            mDropRest = false;
        }
        mState.PreviousLine = line;
        mState.PreviousLineWidth = RoundHalfEven(lineWidth);
        return;
    }
    if (TrimBlanks(line).empty()) {
        if (BlankLineBreaks(start, mState.BlankCount, mState.LastChar)) {
            if (!mBookParagraphs || mPageHasText)  // the book's paragraphs leave no empty row at a page's top
                NewLine();
            mState.BlankCount += mState.BlankStep;
            return;
        }
    } else if (mBookParagraphs ? bookBreak != BookBreak::Join : StartsNewRow(start, mState.LastChar)) {
        if (mBookParagraphs)
            StartBookRow(bookBreak);
        else
            NewLine();
        mState.BlankCount += mState.BlankStep;
        mState.LastChar.clear();
    } else {
        // Joined to the row before: the source's line break stood for a blank, unless the line kept one.
        mJoinBlank = !mState.PreviousLine.empty() && mState.PreviousLine.back() != U' ' && line.front() != U' ';
    }
    mDropRest = false;
    WordLoop(line, Piece::Start);
    mJoinBlank = false;
}

HeadingContext ConversionRun::Context() const
{
    return {mState.CharsPerLine,
            mState.FileNumber,
            mState.DocumentPage,
            mSettings.On(Control::chkFileNr),
            mSettings.On(Control::chkDocPageNr),
            mSettings.On(Control::chkChapter),
            mSettings.On(Control::chkParagr),
            mSettings.Text(Control::txtFormat),
            [this](std::u32string_view text) {
                return IsMarkedPhrase(text, mSettings.On(Control::chkSkipW), mSettings.MarkedPhrases());
            }};
}

void ConversionRun::WordLoop(const std::u32string& line, Piece piece)
{
    PageCanvas& canvas = mSettings.Canvas();
    const float canvasWidth = static_cast<float>(canvas.Width());
    // An HTML or EPUB book's chapters are its own; no mask looks for them. The heading test depends only on the
    // line and the settings, so one answer holds for every word. A line that comes in pieces is tested by its
    // first: no heading is that long.
    if (piece == Piece::Start && !mStructured && TryHeading(line))
        return;

    // Words are looked at in place; a word with the joining blank before it is put together in mJoinedWord.
    std::optional<std::u32string_view> lastWord;
    std::size_t pos = 0;  // counted from 0 here; the search for the next blank starts after pos
    while (pos < line.size()) {
        // The line followed by one blank: the last word ends at that extra blank.
        std::size_t space = line.find(U' ', pos + 1);
        if (space == std::u32string::npos)
            space = line.size();
        std::u32string_view word = std::u32string_view(line).substr(pos, space - pos + 1);
        // The blank that joins the line to the row before stands only between words on one row, and the rules
        // below judge the word without it.
        bool joined = mJoinBlank && mRowHasText;
        mJoinBlank = false;

        if (word.size() == 1 && mState.BlankCount == 2) {
            mDropRest = true;
            return;  // the rest of the line goes, without line-end bookkeeping
        }
        if (joined) {
            mJoinedWord.assign(1, U' ');
            mJoinedWord += word;
            word = mJoinedWord;
        }
        float wordWidth = Width(word);
        const auto dropJoiningBlank = [&] {
            if (joined) {
                word.remove_prefix(1);
                wordWidth = Width(word);
            }
            joined = false;
        };
        if (wordWidth + canvas.CurrentX() >= canvasWidth) {
            NewLine(Row::Wrapped);
            mCarried = true;
            joined = false;
        } else {
            mState.BlankCount = 0;
        }
        if (PageIsFull()) {
            NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount,
                    static_cast<float>(mState.TopY));
            dropJoiningBlank();
        }
        pos = space + 1;
        // A row the words were carried onto begins with a word, not with the blanks before it: the joining
        // blank, or those of a book that puts two blanks after a full stop.
        if (mCarried) {
            if (const std::size_t text = word.find_first_not_of(U' '); text != 0) {
                word.remove_prefix(std::min(text, word.size()));
                wordWidth = Width(word);
            }
            mCarried = word.empty();
        }

        if (wordWidth > canvasWidth) {
            // Wider than the page: character by character (a letter with its marks). Its rows go on to the next
            // page like any others, so none of it is drawn below the bottom.
            for (std::size_t at = 0, end; at < word.size(); at = end) {
                end = ClusterEnd(word, at);
                const std::u32string_view character = word.substr(at, end - at);
                if (Width(character) + canvas.CurrentX() > canvasWidth) {
                    NewLine(Row::Wrapped);
                    if (PageIsFull())
                        NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount,
                                static_cast<float>(mState.TopY));
                }
                PrintNow(mState.RowPrefix);
                mSettings.AppendPageText(mState.RowPrefix);
                mState.RowPrefix.clear();
                Print(character, false);
                mSettings.AppendPageText(character);
            }
        } else if (mState.RowPrefix.empty()) {
            Print(word, false);
            mSettings.AppendPageText(word);
        } else {
            PrintNow(mState.RowPrefix);
            Print(word, false);
            mSettings.AppendPageText(mState.RowPrefix + std::u32string(word));
        }
        mState.RowPrefix.clear();
        if (word.find_first_not_of(U' ') != std::u32string::npos)
            mRowHasText = mPageHasText = true;
        lastWord = word;
    }

    // A line in pieces is as wide as its pieces together; its last piece stands for it as the line before.
    const bool start = piece == Piece::Start;
    mState.PreviousLineWidth = RoundHalfEven(Width(line) + (start ? 0.0 : static_cast<double>(mState.PreviousLineWidth)));
    mState.PreviousLine = line;
    if (lastWord) {
        const std::u32string trimmed = TrimBlanks(*lastWord);
        mState.LastChar = trimmed.empty() ? U"" : trimmed.substr(trimmed.size() - 1);
    }
}

bool ConversionRun::PageIsFull() const
{
    const PageCanvas& canvas = mSettings.Canvas();
    return canvas.CurrentY() + static_cast<float>(mState.LineHeight) > static_cast<float>(canvas.Height());
}

void ConversionRun::NewLine(Row row)
{
    mCarried = false;
    mEmptyRows = mRowHasText ? 0 : mEmptyRows + 1;
    mRowHasText = false;
    ++mState.RowNumber;
    Print(U"", true);
    if (row == Row::NewParagraph)
        mDirection = Direction::Unknown;
    mSettings.AppendPageText(U"\n");
    mSettings.Canvas().SetCurrentX(static_cast<float>(mState.LeftMargin));
    mState.RowPrefix = mSettings.RowNumbersOn() ? ToText(mState.RowNumber) + U" | " : U"";
    PrintNow(mState.RowPrefix);
    mSettings.AppendPageText(mState.RowPrefix);
    mState.RowPrefix.clear();
}

void ConversionRun::NewPage(std::u32string& pendingTitle, const std::u32string& chapterTitle,
                            const std::u32string& chapterLabel, int& blankCount, float startY)
{
    PageCanvas& canvas = mSettings.Canvas();
    ShowRow();
    mState.HeaderTitle = pendingTitle.empty() ? chapterTitle : pendingTitle;
    mState.NumberText = chapterLabel;
    mState.NumberTitle = chapterTitle;
    if (!mState.HeaderTitle.empty())
        DrawHeader(mState.HeaderTitle);
    if (!mState.TitlePending)
        SavePage();
    pendingTitle = chapterTitle;
    ++mState.RowNumber;

    canvas.SetCurrentX(0);
    if (mState.TitlePending) {
        canvas.SetCurrentY(0);
        canvas.Print(chapterTitle, PageCanvas::Then::StayOnRow);
        mState.TitlePending = false;
    } else {
        canvas.Print(mState.HeaderTitle, PageCanvas::Then::StayOnRow);
        mPageHeader = mState.HeaderTitle;
    }
    canvas.SetCurrentX(static_cast<float>(mState.LeftMargin));
    canvas.SetCurrentY(startY);
    if (startY > 0) {
        canvas.Line(static_cast<float>(canvas.Width()), 0, mSettings.PageForeColor());
        canvas.SetCurrentX(static_cast<float>(mState.LeftMargin));
    }
    if (mSettings.RowNumbersOn())
        mState.RowPrefix = ToText(mState.RowNumber) + U" | ";
    blankCount = 0;
    mRowHasText = mPageHasText = false;
    mEmptyRows = 0;
}

void ConversionRun::HeadingPageBreak(const std::u32string& wholeTitle)
{
    ShowRow();
    mDirection = Direction::Unknown;
    mState.TitlePending = true;
    // A chapter of an HTML or EPUB book that begins on a page with no text yet takes that page over, instead of
    // leaving it empty.
    if (mStructured && !mPageHasText) {
        mSettings.ClearCanvas();
        mHost.CanvasCleared();
        mSettings.SetPageText({});
        mPageHeader.clear();
    } else {
        SavePage();
    }
    mState.PendingTitle.clear();
    NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount, 0);
    mHost.HeadingFound(mState.FileNumber, mState.ChapterTitle);
    mOutput.ChapterStarts(mState.FileNumber, wholeTitle);
    mSettings.Canvas().SetCurrentY(static_cast<float>(mState.TopY));
    mState.BlankCount = 0;
    mState.PreviousLineWidth = 0;
}

void ConversionRun::DrawHeader(const std::u32string& title)
{
    PageCanvas& canvas = mSettings.Canvas();
    ShowRow();
    const float rememberedX = static_cast<float>(RoundHalfEven(canvas.CurrentX()));
    const float rememberedY = static_cast<float>(RoundHalfEven(canvas.CurrentY()));
    canvas.SetCurrentX(0);
    canvas.SetCurrentY(0);
    mPageHeader = HeaderText(title, mState.FileNumber, mState.DocumentPage, mSettings.On(Control::chkFileNr),
                             mSettings.On(Control::chkDocPageNr));
    canvas.Print(mPageHeader, PageCanvas::Then::NewRow);
    // The rule in the page's own colour, so that it shows on the dark schemes too.
    canvas.Line(static_cast<float>(canvas.Width()), 0, mSettings.PageForeColor());
    canvas.SetCurrentX(rememberedX);
    if (canvas.CurrentY() < rememberedY)
        canvas.SetCurrentY(rememberedY);
}

void ConversionRun::SavePage(PageOutput::Position position)
{
    ShowRow();
    mHost.PageSaveStarted(mState.FileNumber, mState.BytesRead, mState.InputLength);
    mHost.PreviewPage(mSettings.Canvas().Image(), mSettings.PageText());
    const bool written = mSettings.Number(Control::txtFromPg) <= mState.FileNumber;
    mHost.PageLaidOut(mState.FileNumber, mPageHeader, mSettings.PageText(), written);

    const std::string pageFile = mOutput.PageFileName(mState.FileNumber);
    if (auto page = mOutput.WritePage(pageFile, position); !page)
        throw Stop{{RunResult::Outcome::Failed, page.Failure().message}};
    mHost.PageFileShown(pageFile, written);

    // The run's only stopping point. The end of the page range is the end of the archive too.
    if (mSettings.Number(Control::txtToPg) == mState.FileNumber) {
        mState.Stepped = true;
        if (auto archived = mOutput.CommitArchive(mInput->Info()); !archived)
            throw Stop{{RunResult::Outcome::Failed, archived.Failure().message}};
    }
    if (mState.Stepped)
        mState.Paused = true;
    mHost.PausedChanged(mState.Paused);
    if (mState.Paused)
        if (auto bitmaps = mOutput.WriteWorkingBitmaps(); !bitmaps)
            throw Stop{{RunResult::Outcome::Failed, bitmaps.Failure().message}};
    while (mState.Paused) {
        if (!mHost.KeepRunning() || !mHost.WaitWhilePaused()) {
            mState.Paused = false;
            throw Stop{{RunResult::Outcome::Stopped, ""}};
        }
    }
    if (!mHost.KeepRunning()) {
        if (auto bitmaps = mOutput.WriteWorkingBitmaps(); !bitmaps)
            throw Stop{{RunResult::Outcome::Failed, bitmaps.Failure().message}};
        throw Stop{{mState.ClosingRequested ? RunResult::Outcome::Closing : RunResult::Outcome::Stopped, ""}};
    }
    if (mHost.Interrupted())
        throw Stop{{RunResult::Outcome::Interrupted, ""}};
    ++mState.FileNumber;
    mSettings.ClearCanvas();
    mHost.CanvasCleared();
    mSettings.SetPageText({});
    mPageHeader.clear();
    if (mState.ClosingRequested)
        throw Stop{{RunResult::Outcome::Closing, ""}};
}
