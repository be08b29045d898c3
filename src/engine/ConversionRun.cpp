#include "engine/ConversionRun.h"

#include "engine/Masks.h"
#include "engine/PageDecorations.h"
#include "engine/Text.h"
#include "engine/TextCleanup.h"
#include "imaging/Rounding.h"
#include "settings/SettingsModel.h"

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
    mSettings.Canvas().Print(text, newRow ? PageCanvas::Then::NewRow : PageCanvas::Then::StayOnRow);
    mHost.PreviewPrint(text, newRow);
}

bool ConversionRun::StartRun(RunResult& failure)
{
    // The book is opened first, so a missing book stops the run before anything is written.
    std::string error;
    mInput = LineReader::Open(mSettings.InputPath, error);
    if (!mInput) {
        failure = {RunResult::Outcome::Failed, error};
        return false;
    }

    PageCanvas& canvas = mSettings.Canvas();
    mState.LineHeight = static_cast<int>(RoundHalfEven(canvas.TextHeight(U"I")));
    mState.LeftMargin = 3;
    mState.TopY = mState.LineHeight;
    if (mSettings.FileRoot.empty())
        mSettings.FileRoot = kDefaultRoot;
    mOutput.ResetChapterFolder();
    mOutput.PrepareOutputFolder();

    mState.BlankCount = 0;
    mState.FileNumber = 1;
    mState.DocumentPage = 1;
    mState.RowNumber = 0;
    mState.BytesRead = 0;
    mState.PagesWritten = 0;
    mState.BlankStep = mSettings.On("chkMultCR") ? 1 : 0;
    mState.RowPrefix.clear();
    mState.PreviousLine.clear();
    mState.PreviousLineWidth = 0;
    mState.LastChar.clear();
    mState.FirstChar.clear();
    mState.NumberText.clear();
    mState.NumberTitle.clear();
    mState.HeaderTitle.clear();
    mState.TitlePending = false;
    mSettings.RowNumbersOn = mSettings.On("chkRowNrs");
    mSettings.RotateOn = mSettings.On("chkRotate");
    if (mSettings.RotateOn)
        mSettings.RotatePic();

    mState.RunStarted = true;
    mOutput.PageSurface.ClearUp();
    mSettings.ClearCanvas();
    mHost.CanvasCleared();
    mSettings.PageText.clear();

    mState.ChapterMask = mSettings.On("chkChapter") ? FromUtf8(mSettings.Value("txtChaptMask")) : U"";
    mState.ParagraphMask = mSettings.On("chkParagr") ? FromUtf8(mSettings.Value("txtParagrMask")) : U"";
    mState.UseChapterInFileNames = mSettings.On("chkUseChapInFN");
    mState.ChapterLabel = U"Ch " + FormatNumber(0, FromUtf8(mSettings.Value("txtFormat")));
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
            ProcessLine(std::move(line));
        }
        if (!mInput->Error().empty())
            return {RunResult::Outcome::Failed, "cannot read the book " + mSettings.InputPath + ": " + mInput->Error()};
        SavePage();
        // A book whose size changed during the run was read partly as one file, partly as another.
        if (mInput->BytesConsumed() != mInput->Size())
            result = {RunResult::Outcome::Failed,
                      "the book " + mSettings.InputPath + " changed while it was being converted (" +
                          std::to_string(mInput->Size()) + " bytes at the start, " +
                          std::to_string(mInput->BytesConsumed()) + " read): convert it again"};
    } catch (const Stop& stop) {
        result = stop.result;
    } catch (const std::exception& e) {
        result = {RunResult::Outcome::Failed, e.what()};
    }
    if (auto error = mOutput.WriteWorkingBitmaps(); error && result.outcome != RunResult::Outcome::Failed)
        result = {RunResult::Outcome::Failed, *error};
    mInput.reset();
    mSettings.EndRunOutputFolder();
    return result;
}

bool ConversionRun::ReadCounted(std::u32string& line)
{
    if (!mInput->ReadLine(line))
        return false;
    mState.BytesRead = mInput->BytesConsumed();
    if (IsNewPageLine(line, NewPageCharacter(FromUtf8(mSettings.Value("txtASCIISep")))))
        ++mState.DocumentPage;
    return true;
}

void ConversionRun::ProcessLine(std::u32string line)
{
    // A marked line goes, and so does a blank line right after it.
    while (IsMarkedPhrase(line, mSettings.On("chkSkipW"), mSettings.MarkedPhrases)) {
        std::u32string next;
        if (!mInput->ReadLine(next))
            return;  // the end of the book is handled by the caller's next read
        mState.BytesRead = mInput->BytesConsumed();
        if (TrimBlanks(next).empty())
            return;
        if (IsNewPageLine(next, NewPageCharacter(FromUtf8(mSettings.Value("txtASCIISep")))))
            ++mState.DocumentPage;
        line = std::move(next);
    }

    const float lineWidth = Width(line);
    mState.ReferenceWidth = std::max(static_cast<long>(RoundHalfEven(lineWidth)), mState.ReferenceWidth);
    const std::u32string previousFirstChar = mState.FirstChar;
    const LineStart start = EvaluateLineStart({line, lineWidth, mState.PreviousLineWidth, mState.ReferenceWidth,
                                               previousFirstChar, mState.LastChar, mSettings.On("chkSmartLF"),
                                               [this](std::u32string_view text) { return Width(text); }});
    mState.FirstChar = start.firstChar;

    if (TrimBlanks(line).empty()) {
        if (BlankLineBreaks(start, mState.BlankCount, mState.LastChar)) {
            NewLine();
            mState.BlankCount += mState.BlankStep;
            return;
        }
    } else if (StartsNewRow(start, mState.LastChar)) {
        NewLine();
        mState.BlankCount += mState.BlankStep;
        mState.LastChar.clear();
    } else {
        // Joined to the row before: the source's line break stood for a blank, unless the line kept one.
        mJoinBlank = !mState.PreviousLine.empty() && mState.PreviousLine.back() != U' ' && line.front() != U' ';
    }
    WordLoop(line);
    mJoinBlank = false;
}

void ConversionRun::WordLoop(const std::u32string& line)
{
    PageCanvas& canvas = mSettings.Canvas();
    const float canvasWidth = static_cast<float>(canvas.Width());
    const HeadingContext context{mState.CharsPerLine,
                                 mState.FileNumber,
                                 mState.DocumentPage,
                                 mSettings.On("chkFileNr"),
                                 mSettings.On("chkDocPageNr"),
                                 mSettings.On("chkChapter"),
                                 mSettings.On("chkParagr"),
                                 FromUtf8(mSettings.Value("txtFormat")),
                                 [this](std::u32string_view text) {
                                     return IsMarkedPhrase(text, mSettings.On("chkSkipW"), mSettings.MarkedPhrases);
                                 }};
    // The heading test depends only on the line and the settings, so one answer holds for every word.
    if (DetectHeading(context, line, mState.PreviousLine, mState.ChapterMask, mState.ParagraphMask,
                      mState.ChapterTitle, mState.ChapterLabel)) {
        HeadingPageBreak();
        return;
    }

    std::optional<std::u32string> lastWord;
    std::size_t pos = 0;  // counted from 0 here; the search for the next blank starts after pos
    while (pos < line.size()) {
        // The line followed by one blank: the last word ends at that extra blank.
        std::size_t space = line.find(U' ', pos + 1);
        if (space == std::u32string::npos)
            space = line.size();
        std::u32string word = line.substr(pos, space - pos + 1);
        const bool joined = mJoinBlank && canvas.CurrentX() > static_cast<float>(mState.LeftMargin);
        mJoinBlank = false;
        if (joined)
            word.insert(word.begin(), U' ');

        if (word.size() == 1 && mState.BlankCount == 2)
            return;  // the rest of the line goes, without line-end bookkeeping
        float wordWidth = Width(word);
        if (wordWidth + canvas.CurrentX() >= canvasWidth) {
            NewLine();
            if (joined) {
                word.erase(word.begin());  // a row does not begin with the joining blank
                wordWidth = Width(word);
            }
        } else {
            mState.BlankCount = 0;
        }
        if (PageIsFull())
            NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount,
                    static_cast<float>(mState.TopY));
        pos = space + 1;

        if (wordWidth > canvasWidth) {
            // Wider than the page: character by character. Its rows go on to the next page like any others,
            // so none of it is drawn below the bottom.
            for (char32_t c : word) {
                const std::u32string character(1, c);
                if (Width(character) + canvas.CurrentX() > canvasWidth) {
                    NewLine();
                    if (PageIsFull())
                        NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount,
                                static_cast<float>(mState.TopY));
                }
                const std::u32string text = mState.RowPrefix + character;
                mState.RowPrefix.clear();
                Print(text, false);
                mSettings.PageText += text;
            }
        } else {
            const std::u32string text = mState.RowPrefix + word;
            Print(text, false);
            mSettings.PageText += text;
        }
        mState.RowPrefix.clear();
        lastWord = word;
    }

    mState.PreviousLineWidth = RoundHalfEven(Width(line));
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

void ConversionRun::NewLine()
{
    ++mState.RowNumber;
    Print(U"", true);
    mSettings.PageText += U"\r\n";
    mSettings.Canvas().SetCurrentX(static_cast<float>(mState.LeftMargin));
    mState.RowPrefix = mSettings.RowNumbersOn ? ToText(mState.RowNumber) + U" | " : U"";
    Print(mState.RowPrefix, false);
    mSettings.PageText += mState.RowPrefix;
    mState.RowPrefix.clear();
}

void ConversionRun::NewPage(std::u32string& pendingTitle, const std::u32string& chapterTitle,
                            const std::u32string& chapterLabel, int& blankCount, float startY)
{
    PageCanvas& canvas = mSettings.Canvas();
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
    }
    canvas.SetCurrentX(static_cast<float>(mState.LeftMargin));
    canvas.SetCurrentY(startY);
    if (startY > 0) {
        canvas.Line(static_cast<float>(canvas.Width()), 0, mSettings.PageForeColor);
        canvas.SetCurrentX(static_cast<float>(mState.LeftMargin));
    }
    if (mSettings.RowNumbersOn)
        mState.RowPrefix = ToText(mState.RowNumber) + U" | ";
    blankCount = 0;
}

void ConversionRun::HeadingPageBreak()
{
    mState.TitlePending = true;
    SavePage();
    mState.PendingTitle.clear();
    NewPage(mState.PendingTitle, mState.ChapterTitle, mState.ChapterLabel, mState.BlankCount, 0);
    mSettings.Canvas().SetCurrentY(static_cast<float>(mState.TopY));
    mState.BlankCount = 0;
    mState.PreviousLineWidth = 0;
}

void ConversionRun::DrawHeader(const std::u32string& title)
{
    PageCanvas& canvas = mSettings.Canvas();
    const float rememberedX = static_cast<float>(RoundHalfEven(canvas.CurrentX()));
    const float rememberedY = static_cast<float>(RoundHalfEven(canvas.CurrentY()));
    canvas.SetCurrentX(0);
    canvas.SetCurrentY(0);
    canvas.Print(HeaderText(title, mState.FileNumber, mState.DocumentPage, mSettings.On("chkFileNr"),
                            mSettings.On("chkDocPageNr")),
                 PageCanvas::Then::NewRow);
    // The rule in the page's own colour, so that it shows on the dark schemes too.
    canvas.Line(static_cast<float>(canvas.Width()), 0, mSettings.PageForeColor);
    canvas.SetCurrentX(rememberedX);
    if (canvas.CurrentY() < rememberedY)
        canvas.SetCurrentY(rememberedY);
}

void ConversionRun::SavePage()
{
    mHost.PageSaveStarted(mState.FileNumber, mState.BytesRead, mState.InputLength);
    mHost.PreviewPage(mSettings.Canvas().Image(), mSettings.PageText);

    if (auto error = mOutput.WritePage())
        throw Stop{{RunResult::Outcome::Failed, *error}};
    const bool written = mSettings.Number("txtFromPg") <= mState.FileNumber;
    mHost.PageFileShown(mOutput.PageFileName(mState.FileNumber), written);

    // The run's only stopping point.
    if (mSettings.Number("txtToPg") == mState.FileNumber)
        mState.Stepped = true;
    if (mState.Stepped)
        mState.Paused = true;
    mHost.PausedChanged(mState.Paused);
    if (mState.Paused)
        if (auto error = mOutput.WriteWorkingBitmaps())
            throw Stop{{RunResult::Outcome::Failed, *error}};
    while (mState.Paused) {
        if (!mHost.KeepRunning() || !mHost.WaitWhilePaused()) {
            mState.Paused = false;
            throw Stop{{RunResult::Outcome::Stopped, ""}};
        }
    }
    if (!mHost.KeepRunning()) {
        if (auto error = mOutput.WriteWorkingBitmaps())
            throw Stop{{RunResult::Outcome::Failed, *error}};
        throw Stop{{mState.ClosingRequested ? RunResult::Outcome::Closing : RunResult::Outcome::Stopped, ""}};
    }
    if (mHost.Interrupted())
        throw Stop{{RunResult::Outcome::Interrupted, ""}};
    ++mState.FileNumber;
    mSettings.ClearCanvas();
    mHost.CanvasCleared();
    mSettings.PageText.clear();
    if (mState.ClosingRequested)
        throw Stop{{RunResult::Outcome::Closing, ""}};
}
