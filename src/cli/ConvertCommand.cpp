// leafcast convert: one book or several, one after the other or several at a time.
#include "cli/Commands.h"

#include "base/Text.h"
#include "cli/ConsoleRunHost.h"
#include "engine/ConversionRun.h"
#include "base/SaveFile.h"
#include "platform/Paths.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// One book and where its pages go.
struct BookJob {
    std::string given;  // as typed
    std::string path;   // absolute, or "-" for standard input
    std::string root;   // the file root of its pages
    std::string out;    // its output folder, ending in "/"; empty for the folder beside the book
};

struct BookOutcome {
    int status = 0;
    int pages = 0;
    int libraryLicence = 0;  // the book carries the public-domain library's licence, which was kept
};

// Said once per command: a library e-book converted with its front and back matter.
constexpr const char* kLicenceHint =
    "Hint: this is a Project Gutenberg e-book, licence and all; --profile ebook leaves the licence out, finds its "
    "chapters and lays its paragraphs out as the book does\n";

// The shell's convention for a program ended by a signal: 128 and its number.
int InterruptedStatus() { return 128 + ConsoleRunHost::Signal(); }

// The page text into its file, or onto standard output for "-".
Result<void> SavePageText(const std::string& path, const std::string& text)
{
    if (path != "-")
        return SaveWholeFile(path, text);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return SystemError("cannot write the page text to standard output", errno);
    return {};
}

std::string WithSlash(std::string folder) { return folder.empty() || folder.back() == '/' ? folder : folder + "/"; }

constexpr int kMinSide = 16, kMaxSide = 4096;

// --size WxH as the settings it stands for: the Custom preset, its width and its height. Answers the problem
// with the text, naming it, or an empty text.
std::string SizeAssignments(const std::string& size, std::vector<std::string>& assignments)
{
    const auto x = size.find_first_of("xX");
    if (x == std::string::npos)
        return "--size takes a width and a height in pixels, as in 480x272, not \"" + size + "\"";
    const std::string sides[] = {size.substr(0, x), size.substr(x + 1)};
    const char* names[] = {"width", "height"};
    for (int i = 0; i < 2; ++i)
        if (!WholeNumber(sides[i], kMinSide, kMaxSide))
            return "--size " + size + ": the " + names[i] + " must be a whole number from " +
                   std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + ", not \"" + sides[i] + "\"";
    assignments = {"optScrRes=3", "txtCustWidth=" + sides[0], "Text1=" + sides[1]};
    return {};
}

// The root a --set gives, if any; the last one counts.
std::string RootFromSets(const std::vector<std::string>& sets)
{
    std::string root;
    for (const std::string& assignment : sets)
        if (assignment.rfind("txtOutFileName=", 0) == 0)
            root = assignment.substr(15);
    return root;
}

// The settings for one book, as the desktop program would hold them after the same clicks: the start-up, the
// profile (options.profile is its path, resolved once for all books), every --set in order, the book and its
// root. Answers a usage error, or an empty text.
std::string Prepare(SettingsModel& settings, const ConvertOptions& options, const BookJob& job, bool warn,
                    bool& failed)
{
    failed = false;
    ApplyStartUpDefaults(settings);
    if (!options.profile.empty()) {
        const ProfileResult loaded = LoadProfile(settings, options.profile);
        if (!loaded.ok) {
            failed = true;
            return loaded.error;
        }
        for (const std::string& skipped : warn ? loaded.skipped : std::vector<std::string>{})
            std::cerr << "leafcast: " + Visible(options.profile + ", " + skipped) + " (skipped)\n";
    }
    std::vector<std::string> sized;
    if (!options.size.empty()) {
        if (std::string error = SizeAssignments(options.size, sized); !error.empty())
            return error;
        for (const std::string& assignment : sized) {
            const auto equals = assignment.find('=');
            if (auto error = settings.ApplyEdit(assignment.substr(0, equals), assignment.substr(equals + 1)))
                return "--size " + options.size + ": " + *error;
        }
    }
    std::vector<std::string> sets = options.sets;
    if (!options.encoding.empty())
        sets.push_back("txtCodePage=" + options.encoding);
    if (std::string error = ApplySets(settings, sets); !error.empty())
        return error;
    if (auto refused = settings.RefusedPageSize())
        return *refused;
    const double from = settings.Number(Control::txtFromPg), to = settings.Number(Control::txtToPg);
    if (to > 0 && from > to)
        return "the page range ends before it begins: txtFromPg is " + settings.Value(Control::txtFromPg) +
               ", txtToPg is " + settings.Value(Control::txtToPg);

    settings.TypeText(Control::txtOutFileName, job.root);
    settings.TypeText(Control::txtInpFile, job.path);
    if (!job.out.empty())
        settings.UseOutputFolder(job.out);
    return {};
}

BookOutcome ConvertOne(const ConvertOptions& options, const BookJob& job, bool showProgress, bool several)
{
    SettingsModel settings;
    bool failed = false;
    // With several books the settings were tried, and their warnings shown, once before the first.
    if (const std::string error = Prepare(settings, options, job, !several, failed); !error.empty())
        return {failed ? Failure(error) : Usage(error), 0};
    // The folders -o names are made for the run; those it leaves empty (a book refused, say) go again.
    std::vector<fs::path> made;
    if (!job.out.empty() && !options.dryRun) {
        std::error_code error;
        for (fs::path folder = fs::path(job.out).parent_path(); !folder.empty() && !fs::exists(folder, error);
             folder = folder.parent_path())
            made.push_back(folder);
        fs::create_directories(job.out, error);
        if (error)
            return {Failure("cannot make the output folder " + job.out + ": " + error.message()), 0};
    }
    const auto unmake = [&made] {
        std::error_code ignored;
        for (const fs::path& folder : made)
            if (!fs::remove(folder, ignored))  // only an empty folder goes
                break;
    };
    // The page text is written once the run is over; a folder that is not there is better said before it starts.
    std::error_code ignored;
    const bool textToStdout = options.pageText == "-";
    if (!options.pageText.empty() && !textToStdout &&
        !fs::is_directory(fs::absolute(options.pageText, ignored).parent_path(), ignored))
        return {Failure("cannot write the page text " + options.pageText + ": its folder is not there"), 0};

    RunState state;
    PageOutput output(settings, state);
    output.SetDryRun(options.dryRun);
    ConsoleRunHost host(showProgress && !options.quiet ? stderr : nullptr);
    if (!options.pageText.empty())
        host.KeepPageText();
    ConversionRun run(settings, state, output, host);
    const RunResult result = run.Run();
    host.Finish();
    unmake();
    const std::string who = several ? job.given + ": " : "";
    if (!options.pageText.empty() && !host.PageText().empty())
        if (auto saved = SavePageText(options.pageText, host.PageText()); !saved)
            return {Failure(who + saved.Failure().message), state.PagesWritten};
    if (result.outcome == RunResult::Outcome::Failed)
        return {Failure(who + result.error), state.PagesWritten};
    const int licence = result.libraryLicence ? 1 : 0;
    const bool interrupted = result.outcome == RunResult::Outcome::Interrupted;
    const int status = interrupted ? InterruptedStatus() : 0;
    if (options.quiet && !options.dryRun && !interrupted)
        return {status, state.PagesWritten, licence};
    const auto pages = [](int count) { return std::to_string(count) + (count == 1 ? " page" : " pages"); };
    std::string lines = who;
    if (interrupted)
        lines += std::string("Interrupted (") + (ConsoleRunHost::Signal() == SIGINT ? "SIGINT" : "SIGTERM") + "): ";
    if (output.IntoArchive() && result.archive.empty())
        lines += pages(state.PagesWritten) + " laid out; the archive " + Visible(output.ArchivePath()) +
                 " was not written";
    else
        lines += pages(state.PagesWritten) + (options.dryRun ? " would be written to " : " written to ") +
                 Visible(result.archive.empty() ? settings.OutputPath() : result.archive);
    if (options.dryRun) {
        // What the book says of itself, then its chapters.
        const std::size_t chapters = host.Headings().size();
        lines += "\nformat: " + result.format;
        if (!result.info.title.empty())
            lines += "; title: " + Visible(ToUtf8(result.info.title));
        if (!result.info.author.empty())
            lines += "; by " + Visible(ToUtf8(result.info.author));
        lines += "; " + std::to_string(chapters) + (chapters == 1 ? " chapter\n" : " chapters\n");
        for (const auto& [page, title] : host.Headings())
            lines += "  page " + std::to_string(page) + ": " + Visible(title) + "\n";
    } else {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, " in %.1f s", host.Seconds());
        lines += seconds;
        if (result.stalePagesRemoved > 0)
            lines += "; " + pages(result.stalePagesRemoved) + " of an earlier run removed";
        lines += "\n";
    }
    for (const std::string& warning : result.warnings)
        lines += "note: " + Visible(warning) + "\n";
    // Standard output carries the page text when asked to; the summary then goes with the messages.
    std::FILE* summary = textToStdout ? stderr : stdout;
    if (licence && !several && !options.quiet)
        lines += kLicenceHint;
    std::fputs(lines.c_str(), summary);
    std::fflush(summary);
    return {status, state.PagesWritten, licence};
}

// Converts the books in child processes, at most `jobs` at a time; each child is a conversion of its own, as if
// the book were converted alone.
std::vector<BookOutcome> ConvertInParallel(const ConvertOptions& options, const std::vector<BookJob>& jobs)
{
    std::vector<BookOutcome> outcomes(jobs.size());
    struct Child {
        std::size_t book;
        int pipe;
    };
    std::map<pid_t, Child> running;
    std::size_t next = 0;
    auto reap = [&] {
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        const auto it = running.find(pid);
        if (pid <= 0 || it == running.end())
            return;
        BookOutcome& outcome = outcomes[it->second.book];
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        int told[2] = {0, 0};  // pages, licence
        if (::read(it->second.pipe, told, sizeof told) == sizeof told)
            outcome.pages = told[0], outcome.libraryLicence = told[1];
        ::close(it->second.pipe);
        running.erase(it);
    };
    std::fflush(nullptr);
    while (next < jobs.size() || !running.empty()) {
        // An interrupt reaches the children too: they end cleanly, and no further book is begun.
        if (ConsoleRunHost::Signal() != 0)
            next = jobs.size();
        if (next < jobs.size() && running.size() < static_cast<std::size_t>(options.jobs)) {
            int ends[2];
            if (::pipe(ends) != 0) {
                outcomes[next].status = Failure(jobs[next].given + ": cannot start a conversion");
                ++next;
                continue;
            }
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(ends[0]);
                const BookOutcome outcome = ConvertOne(options, jobs[next], false, true);
                const int told[2] = {outcome.pages, outcome.libraryLicence};
                [[maybe_unused]] const auto written = ::write(ends[1], told, sizeof told);
                std::fflush(nullptr);
                ::_exit(outcome.status);
            }
            ::close(ends[1]);
            if (pid < 0) {
                ::close(ends[0]);
                outcomes[next].status = Failure(jobs[next].given + ": cannot start a conversion");
                ++next;
                continue;
            }
            running[pid] = {next++, ends[0]};
        } else {
            reap();
        }
    }
    return outcomes;
}

} // namespace

int ConvertCommand(const ConvertOptions& request)
{
    const auto start = std::chrono::steady_clock::now();
    // The program's folder is made, and what is wrong with it said, once: not again for every book.
    ConvertOptions options = request;
    if (!options.profile.empty()) {
        const ProfileLookup found = ResolveProfile(options.profile, Context(options));
        if (!found.error.empty())
            return Failure(found.error);
        options.profile = found.path;
    }
    const bool several = options.books.size() > 1;
    const std::string explicitRoot = RootFromSets(options.sets);
    if (several && !explicitRoot.empty())
        return Usage("--set txtOutFileName would give every book the same page names; leave it out to name "
                     "each book's pages after the book");
    if (several && !options.pageText.empty())
        return Usage("--page-text writes the pages of one book; give it one book at a time");
    if (std::vector<std::string> sized; !options.size.empty())
        if (const std::string error = SizeAssignments(options.size, sized); !error.empty())
            return Usage(error);

    std::error_code ignored;
    if (const fs::file_status out = fs::status(options.out, ignored); !options.out.empty() && fs::exists(out) &&
                                                                        !fs::is_directory(out))
        return Usage("-o " + options.out + " is " + (fs::is_regular_file(out) ? "a file" : "not a folder") +
                     ": the pages go into a folder, which -o names");

    std::vector<BookJob> jobs;
    std::map<std::string, std::string> folders;  // output folder -> the book that writes there
    for (const std::string& given : options.books) {
        BookJob job;
        job.given = given;
        const bool standardInput = given == "-";
        job.path = standardInput ? "-" : fs::absolute(given, ignored).lexically_normal().string();
        if (standardInput && std::count(options.books.begin(), options.books.end(), "-") > 1)
            return Usage("standard input (-) can be converted only once");
        job.root = !explicitRoot.empty() ? explicitRoot : standardInput ? "stdin" : BaseName(job.path);
        // The folder named after the root, as the settings derive it: the root made a safe name first.
        const std::string rootFolder = RootPiece(job.root, NameMaxFor("")) + "/";
        if (!options.out.empty()) {
            const std::string out = WithSlash(fs::absolute(options.out, ignored).lexically_normal().string());
            job.out = several ? out + rootFolder : out;
        } else if (standardInput) {
            job.out = WithSlash(fs::current_path(ignored).string()) + rootFolder;
        }
        const std::string folder = !job.out.empty() ? job.out : WithSlash(FolderOf(job.path)) + rootFolder;
        if (const auto [it, fresh] = folders.emplace(folder, given); !fresh)
            return Usage(it->second + " and " + given + " would both write their pages into " + folder);
        jobs.push_back(job);
    }

    // Settings that cannot be applied are the same mistake for every book: say so once, before any work.
    if (several) {
        SettingsModel settings;
        bool failed = false;
        if (const std::string error = Prepare(settings, options, jobs.front(), true, failed); !error.empty())
            return failed ? Failure(error) : Usage(error);
    }

    ConsoleRunHost::CatchInterrupts();
    std::vector<BookOutcome> outcomes;
    if (options.jobs > 1 && several) {
        outcomes = ConvertInParallel(options, jobs);
    } else {
        for (const BookJob& job : jobs)
            if (ConsoleRunHost::Signal() == 0)
                outcomes.push_back(ConvertOne(options, job, true, several));
    }
    if (outcomes.empty())
        return InterruptedStatus();
    if (!several)
        return outcomes.front().status;

    int failed = 0, pages = 0, licences = 0;
    for (const BookOutcome& outcome : outcomes)
        failed += outcome.status != 0, pages += outcome.pages, licences += outcome.libraryLicence;
    if (ConsoleRunHost::Signal() != 0) {
        std::printf("Interrupted: %d pages written\n", pages);
        return InterruptedStatus();
    }
    if (!options.quiet) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%zu books: %zu converted, %d failed; %d pages in %.1f s\n", jobs.size(), jobs.size() - failed,
                    failed, pages, seconds);
        if (licences > 0)
            std::fputs(kLicenceHint, stdout);
    }
    return failed ? kExitFailure : 0;
}
