// Converts a generated book of about 1 MB with the default settings and compares the speed with the floor:
// encoding as many black-and-white pages to JPEG with the same converter and doing nothing else.
// Usage: leafcast_bench [FOLDER] [MEGABYTES]; the folder defaults to a fresh one under /tmp.
#include "engine/ConversionRun.h"
#include "imaging/BmpFile.h"
#include "platform/ConvertBMP2JPG.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

// Hard-wrapped prose with chapter and paragraph headings, the same for every run.
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

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv)
{
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "leafcast-bench";
    const double megabytes = argc > 2 ? std::atof(argv[2]) : 1.0;
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string book = (folder / "book.txt").string();
    WriteBook(book, static_cast<std::size_t>(megabytes * 1024 * 1024));

    SettingsModel settings;
    ApplyStartUpDefaults(settings);
    settings.TypeText("txtOutFileName", "book");
    settings.TypeText("txtInpFile", book);
    RunState state;
    PageOutput output(settings, state);
    RunHost quiet;
    ConversionRun run(settings, state, output, quiet);

    const auto start = std::chrono::steady_clock::now();
    const RunResult result = run.Run();
    const double convertSeconds = Seconds(start);
    if (result.outcome != RunResult::Outcome::Finished) {
        std::fprintf(stderr, "the conversion failed: %s\n", result.error.c_str());
        return 1;
    }
    const int pages = state.PagesWritten;

    // The floor: the same number of black-and-white pages through the same encoder, nothing else.
    const Bitmap page = ReadBitmapFile(settings.OutputPath + "bookBW.bmp");
    const fs::path floorFolder = folder / "floor";
    fs::create_directories(floorFolder);
    const auto floorStart = std::chrono::steady_clock::now();
    for (int i = 0; i < pages; ++i) {
        const JpegResult encoded = EncodeJpegFile(page, (floorFolder / ("p" + std::to_string(i) + ".jpg")).string(), 5);
        if (!encoded.ok) {
            std::fprintf(stderr, "%s\n", encoded.error.c_str());
            return 1;
        }
    }
    const double floorSeconds = Seconds(floorStart);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("book            %.1f MB, %d pages\n", static_cast<double>(fs::file_size(book)) / 1048576.0, pages);
    std::printf("conversion      %.3f s, %.0f pages/s\n", convertSeconds, pages / convertSeconds);
    std::printf("encoding floor  %.3f s, %.0f pages/s\n", floorSeconds, pages / floorSeconds);
    std::printf("ratio           %.2f x the floor\n", convertSeconds / floorSeconds);
    std::printf("peak memory     %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    fs::remove_all(folder);
    return 0;
}
