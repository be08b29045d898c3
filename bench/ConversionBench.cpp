// leafcast_bench: the conversion's cost against the physical floor, encoding the same pages to JPEG and writing
// them, which nothing can avoid; the pages into one archive against into files; PNG pages against libpng alone;
// then memory and cost per page from a 1 MB to a 16 MB book, the start-up of a one-page conversion, and several
// books at a time. Each figure is printed beside its target.
// Usage: leafcast_bench [--folder DIR] [--megabytes N] [--large-megabytes N]
#include "BenchSupport.h"
#include "PngFloor.h"

#include "base/Text.h"
#include "engine/ConversionRun.h"
#include "settings/SettingsModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <turbojpeg.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Encodes every page the run writes once more, straight from the pixels the run encoded, with TurboJPEG at the
// same quality and subsampling, each into a file of its own: the floor. Its time is kept apart from the run's.
class FloorHost : public RunHost {
public:
    FloorHost(PageOutput& output, fs::path folder) : mOutput(output), mFolder(std::move(folder)) {}
    ~FloorHost() override
    {
        if (mHandle)
            tjDestroy(mHandle);
        tjFree(mJpeg);
    }

    void PageFileShown(const std::string&, bool written) override
    {
        if (!written)
            return;
        // The page as 24-bit rows, made outside the timing: an indexed page is expanded first.
        const Bitmap& page = mOutput.EncodedPage();
        const std::uint8_t* pixels = page.Bits().data();
        int pitch = page.Stride();
        if (page.Indexed()) {
            const auto table = page.ColourTable();
            pitch = 3 * page.Width();
            mExpanded.resize(static_cast<std::size_t>(pitch) * page.Height());
            for (int y = 0; y < page.Height(); ++y)
                for (int x = 0; x < page.Width(); ++x) {
                    const RgbQuad colour = table[page.RawPixel(x, page.Height() - 1 - y)];  // memory rows are bottom-up
                    std::uint8_t* out = mExpanded.data() + static_cast<std::size_t>(y) * pitch + 3 * x;
                    out[0] = colour.blue, out[1] = colour.green, out[2] = colour.red;
                }
            pixels = mExpanded.data();
        }
        const double start = CpuSeconds();
        if (!mHandle)
            mHandle = tjInitCompress();
        const unsigned long capacity = tjBufSize(page.Width(), page.Height(), TJSAMP_420);
        if (capacity > mCapacity) {
            tjFree(mJpeg);
            mJpeg = tjAlloc(static_cast<int>(capacity));
            mCapacity = capacity;
        }
        unsigned long size = mCapacity;
        if (tjCompress2(mHandle, pixels, page.Width(), pitch, page.Height(), TJPF_BGR, &mJpeg, &size, TJSAMP_420,
                        50 + 5 * mOutput.JpegQuality(), TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0)
            std::fprintf(stderr, "%s\n", tjGetErrorStr2(mHandle));
        const std::string path = (mFolder / ("p" + std::to_string(mPages++) + ".jpg")).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, mJpeg, size) != static_cast<ssize_t>(size))
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
        if (fd >= 0)
            ::close(fd);
        mSeconds += CpuSeconds() - start;
    }

    double Seconds() const { return mSeconds; }

private:
    PageOutput& mOutput;
    fs::path mFolder;
    tjhandle mHandle = nullptr;
    unsigned char* mJpeg = nullptr;
    unsigned long mCapacity = 0;
    std::vector<std::uint8_t> mExpanded;
    int mPages = 0;
    double mSeconds = 0;
};

struct Measure {
    int pages = 0;
    double runSeconds = 0;    // CPU time of the conversion, the floor's encoding left out
    double floorSeconds = 0;  // CPU time of the floor on the same pages
    double peakMegabytes = 0;
    bool ok = false;
};

// One conversion in a child process of its own, so that its peak memory is its own.
Measure Convert(const std::string& book, const fs::path& folder, const std::vector<std::string>& sets)
{
    double peak = 0;
    const auto measured = InChild<Measure>([&] {
        SettingsModel settings;
        PrepareConversion(settings, book, folder / "pages", sets);
        fs::create_directories(folder / "floor");
        RunState state;
        PageOutput output(settings, state);
        FloorHost host(output, folder / "floor");
        ConversionRun run(settings, state, output, host);
        const double start = CpuSeconds();
        const RunResult result = run.Run();
        Measure measure;
        measure.ok = result.outcome == RunResult::Outcome::Finished;
        measure.pages = state.PagesWritten;
        measure.floorSeconds = host.Seconds();
        measure.runSeconds = CpuSeconds() - start - measure.floorSeconds;
        if (!measure.ok)
            std::fprintf(stderr, "the conversion failed: %s\n", result.error.c_str());
        return measure;
    }, &peak);
    Measure measure = measured.value_or(Measure{});
    measure.peakMegabytes = peak;
    fs::remove_all(folder);
    return measure;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Two books of about `characters` characters each: paragraphs in Arabic, Hebrew and Hindi, and the same paragraph in
// English, each repeated.
void WriteScriptBooks(const std::string& latin, const std::string& shaped, std::size_t characters)
{
    const std::u32string paragraphs[] = {
        U"يولد جميع الناس أحرارًا متساوين في الكرامة والحقوق. وقد وهبوا عقلاً وضميرًا وعليهم أن يعامل بعضهم بعضًا "
        U"بروح الإخاء.",
        U"כל בני האדם נולדו בני חורין ושווים בערכם ובזכויותיהם. כולם חוננו בתבונה ובמצפון, לפיכך חובה עליהם לנהוג "
        U"איש ברעהו ברוח של אחוה.",
        U"सभी मनुष्यों को गौरव और अधिकारों के मामले में जन्मजात स्वतन्त्रता और समानता प्राप्त है। उन्हें बुद्धि और "
        U"अन्तरात्मा की देन प्राप्त है और परस्पर उन्हें भाईचारे के भाव से बर्ताव करना चाहिए।",
    };
    const std::u32string englishText = U"All human beings are born free and equal in dignity and rights. They are "
                                       U"endowed with reason and conscience and should act towards one another in a "
                                       U"spirit of brotherhood.";
    // Written a paragraph at a time: no large string stays in this process's memory for the conversions forked
    // from it to inherit.
    std::ofstream scripts(shaped, std::ios::binary), english(latin, std::ios::binary);
    scripts << "\xEF\xBB\xBF";
    english << "\xEF\xBB\xBF";
    std::size_t written = 0;
    for (std::size_t i = 0; written < characters; ++i) {
        scripts << ToUtf8(paragraphs[i % 3]) << "\n\n";
        written += paragraphs[i % 3].size() + 2;
    }
    const std::string paragraph = ToUtf8(englishText) + "\n\n";  // ASCII: a byte a character
    for (std::size_t left = written; left > 0; left -= std::min(left, paragraph.size()))
        english << paragraph.substr(0, std::min(left, paragraph.size()));
}

// Makes books in a child process, so that the memory it takes does not stay with this one: every conversion is
// a child of this process, and a child's peak counts the pages it shares with its parent.
void MakeMarkupBooks(const std::string& text, const std::string& html, const std::string& epub)
{
    InChild<bool>([&] {
        WriteMarkupBooks(text, html, epub);
        return true;
    });
}

} // namespace

int main(int argc, char** argv)
{
    std::string given;
    double megabytes = 1, largeMegabytes = 16;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--folder")
            given = argv[i + 1];
        else if (option == "--megabytes")
            megabytes = std::atof(argv[i + 1]);
        else if (option == "--large-megabytes")
            largeMegabytes = std::atof(argv[i + 1]);
    }
    const fs::path folder = BenchFolder(given, "conversion");
    const std::string book = (folder / "book.txt").string();
    WriteBook(book, static_cast<std::size_t>(megabytes * 1048576));
    std::printf("Output in %s; CPU time on one core; the floor is TurboJPEG encoding and writing the same pages.\n\n",
                folder.c_str());
    bool allMet = true;

    struct Configuration {
        const char* name;
        std::vector<std::string> sets;
        double target;
    };
    const Configuration configurations[] = {
        {"defaults", {}, 1.4},
        {"640 x 480", {"optScrRes=1"}, 1.4},
        {"quarter turn", {"chkRotate=1"}, 1.6},
        {"colour pages", {"chkPureBW=0"}, 1.3},
    };
    std::printf("%-14s %7s %11s %11s %7s %8s  %s\n", "", "pages", "pages/s", "floor p/s", "ratio", "peak MB", "target");
    // Each configuration is converted three times and the conversion with the middle ratio shown (with the highest
    // peak of the three): the run and its floor share one process, yet a burst of load elsewhere on a shared
    // machine still moves a single ratio by a few hundredths.
    const auto ratioOf = [](const Measure& m) { return m.runSeconds / m.floorSeconds; };
    Measure defaults;
    for (const Configuration& c : configurations) {
        std::vector<Measure> runs;
        for (int i = 0; i < 3; ++i) {
            runs.push_back(Convert(book, folder / "run", c.sets));
            if (!runs.back().ok)
                return 1;
        }
        std::sort(runs.begin(), runs.end(), [&](const Measure& a, const Measure& b) { return ratioOf(a) < ratioOf(b); });
        Measure m = runs[1];
        for (const Measure& run : runs)
            m.peakMegabytes = std::max(m.peakMegabytes, run.peakMegabytes);
        if (&c == &configurations[0])
            defaults = m;
        const double ratio = m.runSeconds / m.floorSeconds;
        allMet &= ratio <= c.target;
        std::printf("%-14s %7d %11.0f %11.0f %7.2f %8.1f  ratio at most %.1f: %s\n", c.name, m.pages,
                    m.pages / m.runSeconds, m.pages / m.floorSeconds, ratio, m.peakMegabytes, c.target,
                    Verdict(ratio <= c.target));
    }

    // The pages into one archive against into files: converted in turn, each against its own floor, so that the
    // speed of a shared core, which drifts between conversions, moves both alike.
    Measure archived;
    {
        std::vector<double> ratios[2];
        std::vector<Measure> runs[2];
        for (int turn = 0; turn < 3; ++turn)
            for (int into = 0; into < 2; ++into) {
                runs[into].push_back(Convert(book, folder / "run", into ? std::vector<std::string>{"chkCompress=1"}
                                                                        : std::vector<std::string>{}));
                if (!runs[into].back().ok)
                    return 1;
                ratios[into].push_back(ratioOf(runs[into].back()));
            }
        double middle[2];
        for (int into = 0; into < 2; ++into) {
            std::sort(ratios[into].begin(), ratios[into].end());
            middle[into] = ratios[into][1];
        }
        archived = runs[1][1];
        for (const Measure& run : runs[1])
            archived.peakMegabytes = std::max(archived.peakMegabytes, run.peakMegabytes);
        const double times = middle[1] / middle[0];
        allMet &= times <= 1.05;
        std::printf("\npages into one archive: %.3f ms a page, %.2f times the floor; into files: %.3f ms, %.2f times;\n"
                    "  the archive costs %.3f times the files a page; at most 1.05: %s\n",
                    runs[1][1].runSeconds / runs[1][1].pages * 1e3, middle[1],
                    runs[0][1].runSeconds / runs[0][1].pages * 1e3, middle[0], times, Verdict(times <= 1.05));
    }

    // PNG pages: the program's encoding of each page against libpng's own encoding of the same rows, and their
    // size against the JPEG page.
    for (const bool blackAndWhite : {true, false}) {
        const PngFigures p = MeasurePng(book, folder / "png", blackAndWhite ? std::vector<std::string>{}
                                                                            : std::vector<std::string>{"chkPureBW=0"});
        if (!p.ok)
            return 1;
        const double times = p.oursSeconds / p.floorSeconds;
        allMet &= times <= 1.3;
        std::printf("\nPNG %s pages: %d; encoding %.3f ms a page, libpng alone %.3f ms: %.2f times; at most 1.3: %s\n",
                    blackAndWhite ? "black-and-white" : "colour", p.pages, p.oursSeconds / p.pages * 1e3,
                    p.floorSeconds / p.pages * 1e3, times, Verdict(times <= 1.3));
        std::printf("  %.1f kB a page, %.0f%% of the JPEG page on the whole, %.0f%% at the most",
                    p.pngBytes / p.pages / 1024, 100 * p.pngBytes / p.jpegBytes, 100 * p.largestShare);
        if (blackAndWhite) {
            allMet &= p.largestShare <= 0.25;
            std::printf("; at most 25%%: %s\n", Verdict(p.largestShare <= 0.25));
        } else {
            std::printf("\n  %d of them with a palette, of which RGB would have been smaller for %d\n", p.palettePages,
                        p.paletteLarger);
        }
    }

    // The same book as HTML and as EPUB against the text laid out as the book lays it out, which is how the markup
    // is laid out too: the reading of the markup should cost little beside drawing and encoding the pages.
    {
        const std::string html = (folder / "book.html").string(), epub = (folder / "book.epub").string();
        MakeMarkupBooks(book, html, epub);
        const auto middle = [&](const std::string& path, const std::vector<std::string>& sets) {
            std::vector<Measure> runs;
            for (int i = 0; i < 3; ++i)
                runs.push_back(Convert(path, folder / "run", sets));
            std::sort(runs.begin(), runs.end(), [](const Measure& a, const Measure& b) {
                return a.runSeconds / std::max(a.pages, 1) < b.runSeconds / std::max(b.pages, 1);
            });
            return runs[1];
        };
        const Measure text = middle(book, {"chkBookParas=1"});
        const Measure markup[2] = {middle(html, {}), middle(epub, {})};
        if (!text.ok || !markup[0].ok || !markup[1].ok)
            return 1;
        const double textPerPage = text.runSeconds / text.pages;
        std::printf("\nthe book as text, laid out as the book: %d pages, %.3f ms a page\n", text.pages,
                    textPerPage * 1e3);
        const char* names[2] = {"HTML", "EPUB"};
        for (int i = 0; i < 2; ++i) {
            const double times = markup[i].runSeconds / markup[i].pages / textPerPage;
            allMet &= times <= 1.1;
            std::printf("the book as %s: %d pages, %.3f ms a page, %.2f times the text; at most 1.1: %s\n", names[i],
                        markup[i].pages, markup[i].runSeconds / markup[i].pages * 1e3, times, Verdict(times <= 1.1));
        }
        fs::remove(html);
        fs::remove(epub);

        // Typesetting: hyphenated, justified rows against ragged ones of the same book in a proportional face.
        const Measure ragged = middle(book, {"chkBookParas=1", "lstFonts=Arial"});
        const Measure set = middle(book, {"chkBookParas=1", "lstFonts=Arial", "chkHyphenate=1", "chkJustify=1"});
        if (!ragged.ok || !set.ok)
            return 1;
        const double setTimes = (set.runSeconds / set.pages) / (ragged.runSeconds / ragged.pages);
        allMet &= setTimes <= 1.1;
        std::printf("hyphenated and justified in Arial: %d pages (ragged %d), %.2f times the cost per page; at most "
                    "1.1: %s\n",
                    set.pages, ragged.pages, setTimes, Verdict(setTimes <= 1.1));
    }

    // Text in scripts that need shaping and direction (Arabic, Hebrew, Hindi) against Latin text of the same length,
    // at 640 x 480; and Latin text shaped for kerning and ligatures.
    {
        const std::string latin = (folder / "latin.txt").string(), shaped = (folder / "shaped.txt").string();
        WriteScriptBooks(latin, shaped, 1u << 20);
        const Measure plain = Convert(latin, folder / "run", {"optScrRes=1"});
        const Measure drawn = Convert(shaped, folder / "run", {"optScrRes=1"});
        const Measure kerned = Convert(latin, folder / "run", {"optScrRes=1", "chkKerning=1"});
        if (!plain.ok || !drawn.ok || !kerned.ok)
            return 1;
        const auto perPage = [](const Measure& m) { return m.runSeconds / m.pages; };
        const auto withFloor = [](const Measure& m) { return (m.runSeconds + m.floorSeconds) / m.pages; };
        const double times = perPage(drawn) / perPage(plain);
        allMet &= times <= 1.5;
        std::printf("\nshaped pages (Arabic, Hebrew, Hindi): %d, %.3f ms a page; Latin of the same length: %d, %.3f ms;"
                    "\n  %.2f times, %.2f with the encoding; at most 1.5: %s\n",
                    drawn.pages, perPage(drawn) * 1e3, plain.pages, perPage(plain) * 1e3, times,
                    withFloor(drawn) / withFloor(plain), Verdict(times <= 1.5));
        std::printf("Latin shaped for kerning and ligatures: %.3f ms a page, %.2f times glyph by glyph\n",
                    perPage(kerned) * 1e3, perPage(kerned) / perPage(plain));
        fs::remove(latin);
        fs::remove(shaped);
    }

    // The same settings on a book 16 times larger: the same memory, the same cost per page.
    const std::string large = (folder / "large.txt").string();
    WriteBook(large, static_cast<std::size_t>(largeMegabytes * 1048576));
    const Measure big = Convert(large, folder / "run", {});
    const Measure bigArchive = Convert(large, folder / "run", {"chkCompress=1"});
    fs::remove(large);
    if (!big.ok || !bigArchive.ok)
        return 1;
    const double perPage = defaults.runSeconds / defaults.pages * 1e3, bigPerPage = big.runSeconds / big.pages * 1e3;
    const bool memoryMet = big.peakMegabytes < 64 && defaults.peakMegabytes < 64 &&
                           big.peakMegabytes <= defaults.peakMegabytes * 1.1 + 1;
    // Judged against each run's own floor: on a shared machine the speed of the core drifts by a quarter or more
    // from one run to the next, which moves the run and its floor alike, while a cost that grew with the book
    // would move only the run.
    const double ratio = defaults.runSeconds / defaults.floorSeconds, bigRatio = big.runSeconds / big.floorSeconds;
    // And a book of 10 MB as EPUB: read a document at a time, it takes no more memory than a small one.
    const std::string largeText = (folder / "large10.txt").string(), largeHtml = (folder / "large10.html").string(),
                      largeEpub = (folder / "large10.epub").string();
    WriteBook(largeText, 10u << 20);
    MakeMarkupBooks(largeText, largeHtml, largeEpub);
    const Measure bigEpub = Convert(largeEpub, folder / "run", {});
    for (const std::string& path : {largeText, largeHtml, largeEpub})
        fs::remove(path);
    const bool epubMemoryMet = bigEpub.ok && bigEpub.peakMegabytes < 64;
    allMet &= epubMemoryMet;
    const bool costMet = bigRatio <= ratio * 1.1;
    allMet &= memoryMet && costMet;
    std::printf("\n%.0f MB book: %d pages, %.1f MB peak (%.0f MB book: %.1f MB); under 64 MB and the same: %s\n",
                largeMegabytes, big.pages, big.peakMegabytes, megabytes, defaults.peakMegabytes, Verdict(memoryMet));
    std::printf("cost per page %.3f ms, %.2f times the floor (%.0f MB book: %.3f ms, %.2f times); constant within "
                "10%%: %s\n",
                bigPerPage, bigRatio, megabytes, perPage, ratio, Verdict(costMet));
    std::printf("10 MB book as EPUB: %d pages, %.1f MB peak; under 64 MB: %s\n", bigEpub.pages, bigEpub.peakMegabytes,
                Verdict(epubMemoryMet));
    // Into an archive the pages wait in a scratch file; what grows is a place and a name a page, and libzip's entry
    // for each page while it writes the archive.
    const bool archiveMemoryMet = bigArchive.peakMegabytes < 64;
    allMet &= archiveMemoryMet;
    std::printf("%.0f MB book into an archive: %d pages, %.1f MB peak (into files %.1f MB; the %.0f MB book into an "
                "archive %.1f MB): %.2f kB more a page than files; under 64 MB: %s\n",
                largeMegabytes, bigArchive.pages, bigArchive.peakMegabytes, big.peakMegabytes, megabytes,
                archived.peakMegabytes, (bigArchive.peakMegabytes - big.peakMegabytes) * 1024 / bigArchive.pages,
                Verdict(archiveMemoryMet));

    // The command line: a one-page conversion from start to end, and several books at a time.
    const std::string cli = (fs::path(argv[0]).parent_path() / "leafcast").string();
    const std::string tiny = (folder / "tiny.txt").string();
    WriteTinyBook(tiny);
    std::vector<double> starts;
    for (int i = 0; i < 30; ++i) {
        const ChildTimes t = RunCommand({cli, "convert", tiny, "-o", (folder / "tiny").string(), "-q"});
        if (t.wall < 0) {
            std::fprintf(stderr, "%s cannot convert a one-page book\n", cli.c_str());
            return 1;
        }
        starts.push_back(t.wall * 1e3);
    }
    std::sort(starts.begin(), starts.end());
    const double startUp = starts[starts.size() / 2];
    allMet &= startUp < 5;
    std::printf("\none-page conversion, start to end: %.1f ms (median of 30); under 5 ms: %s\n", startUp,
                Verdict(startUp < 5));

    std::vector<std::string> books;
    for (int i = 0; i < 4; ++i) {
        books.push_back((folder / ("book" + std::to_string(i) + ".txt")).string());
        WriteBook(books.back(), static_cast<std::size_t>(megabytes * 1048576 / 2));
    }
    // The best of three turns each, taken in turn, so that a moment of load elsewhere on the machine does not
    // decide the figure.
    double wall[2] = {1e9, 1e9};
    for (int turn = 0; turn < 3; ++turn)
        for (int jobs = 1; jobs <= 2; ++jobs) {
            std::vector<std::string> command = {cli, "convert"};
            command.insert(command.end(), books.begin(), books.end());
            command.insert(command.end(), {"-o", (folder / ("jobs" + std::to_string(jobs))).string(), "-q", "-j",
                                           std::to_string(jobs)});
            const double seconds = RunCommand(command).wall;
            if (seconds < 0) {
                std::fprintf(stderr, "%s cannot convert 4 books with -j %d\n", cli.c_str(), jobs);
                return 1;
            }
            wall[jobs - 1] = std::min(wall[jobs - 1], seconds);
        }
    const double speedUp = wall[0] / wall[1];
    allMet &= speedUp >= 1.7;
    std::printf("4 books: -j 1 %.2f s, -j 2 %.2f s wall (best of 3): %.2f x the throughput; at least 1.7 x on 2 cores: %s\n",
                wall[0], wall[1], speedUp, Verdict(speedUp >= 1.7));

    fs::remove_all(folder);
    return allMet ? 0 : 3;
}
