#pragma once

#include "engine/RunHost.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// The command line's run host: a progress line on a terminal, updated in place, and no waiting. A run that
// reaches the end of its page range has no one to press Continue, so it ends there.
class ConsoleRunHost : public RunHost {
public:
    // out may be nullptr: no progress line at all.
    explicit ConsoleRunHost(std::FILE* out);

    void PageSaveStarted(int fileNumber, std::uint64_t bytesRead, std::uint64_t inputLength) override;
    bool WaitWhilePaused() override { return false; }
    void PageLaidOut(int fileNumber, std::u32string_view header, std::u32string_view rows, bool inRange) override;
    void HeadingFound(int fileNumber, std::u32string_view title) override;
    bool Interrupted() override { return Signal() != 0; }

    // From here on SIGINT and SIGTERM no longer kill the program mid-write: they end the run at its next safe
    // point, leaving no temporary file behind.
    static void CatchInterrupts();
    // The signal that asked the run to end, or 0.
    static int Signal();

    // The text of the pages in the page range, as --page-text writes it: per page the header line and the rows
    // down to the last one holding text, one line each, and a line holding a form feed between pages. Kept only
    // when asked for.
    void KeepPageText() { mKeepPageText = true; }
    const std::string& PageText() const { return mPageText; }
    // Every heading met: the page it starts and its title.
    const std::vector<std::pair<int, std::string>>& Headings() const { return mHeadings; }

    // Clears the progress line before the closing message.
    void Finish();
    double Seconds() const;

private:
    std::FILE* mOut;
    bool mTerminal;
    bool mShown = false;
    std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point mLastShown{};
    bool mKeepPageText = false;
    std::string mPageText;
    std::vector<std::pair<int, std::string>> mHeadings;
};
