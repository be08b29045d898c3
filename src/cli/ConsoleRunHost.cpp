#include "cli/ConsoleRunHost.h"

#include <csignal>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t gSignal = 0;

void Remember(int signal) { gSignal = signal; }
} // namespace

void ConsoleRunHost::CatchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = Remember;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes go on; the run looks at the flag between lines and pages
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int ConsoleRunHost::Signal() { return gSignal; }

ConsoleRunHost::ConsoleRunHost(std::FILE* out) : mOut(out), mTerminal(::isatty(::fileno(out)) == 1) {}

double ConsoleRunHost::Seconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
}

void ConsoleRunHost::PageSaveStarted(int fileNumber, std::uint64_t bytesRead, std::uint64_t inputLength)
{
    if (!mTerminal)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (mShown && now - mLastShown < std::chrono::milliseconds(100))
        return;
    mLastShown = now;
    mShown = true;
    const double percent = inputLength ? 100.0 * static_cast<double>(bytesRead) / static_cast<double>(inputLength) : 100.0;
    const double seconds = Seconds();
    std::fprintf(mOut, "\r\033[K  page %d  %5.1f%% read  %.0f pages/s", fileNumber, percent,
                 seconds > 0 ? (fileNumber - 1) / seconds : 0.0);
    std::fflush(mOut);
}

void ConsoleRunHost::Finish()
{
    if (mShown) {
        std::fprintf(mOut, "\r\033[K");
        std::fflush(mOut);
    }
}
