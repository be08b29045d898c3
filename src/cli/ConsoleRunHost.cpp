#include "cli/ConsoleRunHost.h"

#include "base/Text.h"

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

ConsoleRunHost::ConsoleRunHost(std::FILE* out) : mOut(out), mTerminal(out && ::isatty(::fileno(out)) == 1) {}

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

void ConsoleRunHost::PageLaidOut(int, std::u32string_view header, std::u32string_view rows, bool inRange)
{
    if (!mKeepPageText || !inRange)
        return;
    if (!mPageText.empty())
        mPageText += "\f\n";
    mPageText += ToUtf8(header) + "\n";
    // Rows past the last one with text are line breaks that lead nowhere on this page.
    std::size_t end = rows.size();
    while (end >= 1 && rows[end - 1] == U'\n')
        --end;
    for (std::size_t from = 0; end > 0 && from <= end;) {
        const std::size_t next = std::min(rows.find(U'\n', from), end);
        mPageText += ToUtf8(rows.substr(from, next - from)) + "\n";
        from = next + 1;
    }
}

void ConsoleRunHost::HeadingFound(int fileNumber, std::u32string_view title)
{
    mHeadings.emplace_back(fileNumber, ToUtf8(title));
}
