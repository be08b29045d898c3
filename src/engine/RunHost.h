#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class Bitmap;

// What a conversion run asks of the program hosting it. The desktop program shows progress, mirrors the page
// into its preview and lets events through; the command line prints a progress line. Every member has an
// empty default.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The start of every page save: show the progress and let pending events through once.
    virtual void PageSaveStarted(int /*fileNumber*/, std::uint64_t /*bytesRead*/, std::uint64_t /*inputLength*/) {}
    // Text printed on the page is printed on the preview's screen too.
    virtual void PreviewPrint(std::u32string_view /*text*/, bool /*newRow*/) {}
    // The finished page and its plain text, for the preview.
    virtual void PreviewPage(const Bitmap& /*page*/, std::u32string_view /*pageText*/) {}
    // The page as laid out, when it is saved: the header line as drawn and the rows (PageText: the rows with a line
    // feed between them). inRange is false for a page below the page range, which is laid out but not written.
    virtual void PageLaidOut(int /*fileNumber*/, std::u32string_view /*header*/, std::u32string_view /*rows*/,
                             bool /*inRange*/) {}
    // A chapter or paragraph heading starts a new page: the page's number and the heading's title.
    virtual void HeadingFound(int /*fileNumber*/, std::u32string_view /*title*/) {}
    // The page file of the page just handled (written, or skipped below the page range).
    virtual void PageFileShown(const std::string& /*path*/, bool /*written*/) {}
    virtual void PausedChanged(bool /*paused*/) {}
    // Asked at the end of every page save: false ends the run there (a new run or the end of the program was
    // asked for while this one was laying out its page).
    virtual bool KeepRunning() { return true; }
    // One step of the wait after a page while the run is paused: about 10 ms and one pass of events.
    // Answers false to end the run there (no one to press Continue, or a new run was asked for).
    virtual bool WaitWhilePaused() { return false; }
    // Asked before every line and after every page save: true ends the run there (the command line was sent
    // SIGINT or SIGTERM). A page laid out only in part is dropped; the pages saved stay.
    virtual bool Interrupted() { return false; }
    // The canvas was cleared: the preview clears its picture and label too.
    virtual void CanvasCleared() {}
};
