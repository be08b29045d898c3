#include "BenchSupport.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

void WriteBook(const std::string& path, std::size_t bytes)
{
    static const char* kWords[] = {"the", "lamp", "river", "walked", "slowly", "towards", "a", "house", "of",
                                   "grey", "stone", "and", "she", "remembered", "morning", "light", "over",
                                   "water", "ferry", "road", "quiet", "window", "letter", "never", "again"};
    std::mt19937 random(1234);
    std::ofstream out(path, std::ios::binary);
    std::size_t written = 0;
    int chapter = 0;
    std::string line;
    while (written < bytes) {
        if (written / 40000 >= static_cast<std::size_t>(chapter)) {
            ++chapter;
            const std::string heading = "\r\n\r\nChapter " + std::to_string(chapter) + ".1 Part " +
                                        std::to_string(chapter) + "\r\n";
            out << heading;
            written += heading.size();
        }
        for (int sentence = 0; sentence < 5; ++sentence) {
            const int length = 6 + static_cast<int>(random() % 12);
            for (int w = 0; w < length; ++w) {
                std::string word = kWords[random() % std::size(kWords)];
                if (w == 0)
                    word[0] = static_cast<char>(word[0] - 'a' + 'A');
                if (line.size() + word.size() + 1 > 68) {
                    out << line << "\r\n";
                    written += line.size() + 2;
                    line.clear();
                }
                line += (line.empty() ? "" : " ") + word + (w == length - 1 ? "." : "");
            }
        }
        out << line << "\r\n\r\n";
        written += line.size() + 4;
        line.clear();
    }
}

void WriteTinyBook(const std::string& path)
{
    std::ofstream(path, std::ios::binary) << "A short note.\r\nIt fits on one page.\r\n";
}

double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

fs::path BenchFolder(const std::string& given, const std::string& name)
{
    std::error_code error;
    fs::path folder = !given.empty() ? fs::path(given) / name
                      : ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") / ("leafcast-bench-" + name)
                                                         : fs::temp_directory_path() / ("leafcast-bench-" + name);
    fs::remove_all(folder, error);
    fs::create_directories(folder);
    return folder;
}

ChildTimes RunCommand(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ChildTimes times;
    const double start = WallSeconds();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return times;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return times;
    times.wall = WallSeconds() - start;
    times.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    times.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return times;
}
