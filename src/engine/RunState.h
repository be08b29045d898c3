#pragma once

#include <cstdint>
#include <string>

// The state of a conversion run, owned by the main window (or the command line) and shared with the engine.
struct RunState {
    int FileNumber = 1;
    int DocumentPage = 1;
    int RowNumber = 0;
    std::uint64_t BytesRead = 0;
    std::uint64_t InputLength = 0;
    int LineHeight = 0;
    int LeftMargin = 3;
    int TopY = 0;
    int CharsPerLine = 0;
    long ReferenceWidth = 0;
    long PreviousLineWidth = 0;
    std::u32string PreviousLine;
    std::u32string LastChar;
    std::u32string FirstChar;
    int BlankCount = 0;
    int BlankStep = 1;
    std::u32string RowPrefix;
    std::u32string ChapterTitle;
    std::u32string ChapterLabel;
    std::u32string PendingTitle;
    std::u32string HeaderTitle;
    std::u32string NumberText;
    std::u32string NumberTitle;  // the chapter title that goes with NumberText; names the chapter folder
    std::u32string ChapterMask;
    std::u32string ParagraphMask;
    bool UseChapterInFileNames = true;
    bool Stepped = false;
    bool Paused = false;
    bool TitlePending = false;
    bool ClosingRequested = false;
    int PagesWritten = 0;  // page files written by this run (by a dry run: that it would write)
};
