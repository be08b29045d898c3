#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

class SettingsModel;

// What the benchmarks share: a generated book, CPU and wall clocks, and the folder their output goes to.

// Hard-wrapped prose with a chapter heading every 40 kB, the same for every run: about `bytes` long.
void WriteBook(const std::string& path, std::size_t bytes);

// The same book as HTML (a <p> per paragraph, an <h2> per chapter heading) and as an EPUB 3 book (a document per
// chapter, named by its nav), made from the text book at textPath.
void WriteMarkupBooks(const std::string& textPath, const std::string& htmlPath, const std::string& epubPath);

// A book small enough for one page.
void WriteTinyBook(const std::string& path);

double CpuSeconds();   // of this process so far
double WallSeconds();  // of a steady clock

// The folder for output: the one given, else a fresh folder on tmpfs (/dev/shm) so that the disk's own noise
// stays out of the figures, else under the temporary folder.
std::filesystem::path BenchFolder(const std::string& given, const std::string& name);

// Runs a command without a shell; answers the child's CPU seconds and wall seconds, or -1 when it failed.
struct ChildTimes {
    double cpu = -1;
    double wall = -1;
    double peakMegabytes = 0;
};
ChildTimes RunCommand(const std::vector<std::string>& arguments);

// The settings of a benchmark's conversion: the start-up defaults, each "control=value" of sets, the book, the root
// "book" and the folder the pages go to.
void PrepareConversion(SettingsModel& settings, const std::string& book, const std::filesystem::path& pages,
                       const std::vector<std::string>& sets);

// Runs work in a child process, so that its memory and CPU time are its own, and copies back through a pipe the
// size bytes it writes at `answer`; false when the child failed. peakMegabytes gets the child's peak memory.
bool RunInChild(const std::function<void(void* answer)>& work, void* answer, std::size_t size,
                double* peakMegabytes);

// The same for a plain struct of figures: nothing when the child failed.
template <typename Figures>
std::optional<Figures> InChild(const std::function<Figures()>& work, double* peakMegabytes = nullptr)
{
    static_assert(std::is_trivially_copyable_v<Figures>);
    Figures figures{};
    if (!RunInChild([&](void* answer) { *static_cast<Figures*>(answer) = work(); }, &figures, sizeof figures,
                    peakMegabytes))
        return std::nullopt;
    return figures;
}
