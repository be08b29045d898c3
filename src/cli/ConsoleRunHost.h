#pragma once

#include "engine/RunHost.h"

#include <chrono>
#include <cstdio>

// The command line's run host: a progress line on a terminal, updated in place, and no waiting. A run that
// reaches the end of its page range has no one to press Continue, so it ends there.
class ConsoleRunHost : public RunHost {
public:
    explicit ConsoleRunHost(std::FILE* out);

    void PageSaveStarted(int fileNumber, std::uint64_t bytesRead, std::uint64_t inputLength) override;
    bool WaitWhilePaused() override { return false; }
    bool Interrupted() override { return Signal() != 0; }

    // From here on SIGINT and SIGTERM no longer kill the program mid-write: they end the run at its next safe
    // point, leaving no temporary file behind.
    static void CatchInterrupts();
    // The signal that asked the run to end, or 0.
    static int Signal();

    // Clears the progress line before the closing message.
    void Finish();
    double Seconds() const;

private:
    std::FILE* mOut;
    bool mTerminal;
    bool mShown = false;
    std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point mLastShown{};
};
