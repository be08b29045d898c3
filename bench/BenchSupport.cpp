#include "BenchSupport.h"

#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

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

namespace {

std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

// An archive entry from a string the archive copies, stored or deflated.
void AddEntry(zip_t* archive, const std::string& name, const std::string& content, bool stored = false)
{
    zip_source_t* source = zip_source_buffer(archive, strdup(content.c_str()), content.size(), 1);
    const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
}

} // namespace

void WriteMarkupBooks(const std::string& textPath, const std::string& htmlPath, const std::string& epubPath)
{
    // The text book's chapters, each a list of paragraphs.
    std::vector<std::pair<std::string, std::vector<std::string>>> chapters(1);
    std::ifstream in(textPath, std::ios::binary);
    std::string line, paragraph;
    const auto endParagraph = [&] {
        if (!paragraph.empty())
            chapters.back().second.push_back(paragraph);
        paragraph.clear();
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Chapter ", 0) == 0) {
            endParagraph();
            chapters.push_back({line, {}});
        } else if (line.empty()) {
            endParagraph();
        } else {
            paragraph += (paragraph.empty() ? "" : "\n") + line;
        }
    }
    endParagraph();

    std::ofstream html(htmlPath, std::ios::binary);
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>The bench book</title></head><body>\n";
    for (const auto& [title, paragraphs] : chapters) {
        if (!title.empty())
            html << "<h2>" << Escaped(title) << "</h2>\n";
        for (const std::string& p : paragraphs)
            html << "<p>" << Escaped(p) << "</p>\n";
    }
    html << "</body></html>\n";

    int error = 0;
    zip_t* archive = zip_open(epubPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return;
    AddEntry(archive, "mimetype", "application/epub+zip", true);
    AddEntry(archive, "META-INF/container.xml",
             "<?xml version=\"1.0\"?><container version=\"1.0\" "
             "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
             "full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>");
    std::string manifest, spine, nav;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const std::string name = "c" + std::to_string(i) + ".xhtml";
        std::string document = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<html "
                               "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>c</title></head><body>\n";
        if (!chapters[i].first.empty())
            document += "<h2>" + Escaped(chapters[i].first) + "</h2>\n";
        for (const std::string& p : chapters[i].second)
            document += "<p>" + Escaped(p) + "</p>\n";
        AddEntry(archive, "OEBPS/" + name, document + "</body></html>\n");
        manifest += "<item id=\"c" + std::to_string(i) + "\" href=\"" + name +
                    "\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"c" + std::to_string(i) + "\"/>";
        if (!chapters[i].first.empty())
            nav += "<li><a href=\"" + name + "\">" + Escaped(chapters[i].first) + "</a></li>";
    }
    AddEntry(archive, "OEBPS/nav.xhtml",
             "<?xml version=\"1.0\" encoding=\"utf-8\"?><html xmlns=\"http://www.w3.org/1999/xhtml\" "
             "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>Contents</title></head><body><nav "
             "epub:type=\"toc\"><ol>" + nav + "</ol></nav></body></html>");
    AddEntry(archive, "OEBPS/content.opf",
             "<?xml version=\"1.0\" encoding=\"utf-8\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
             "version=\"3.0\" unique-identifier=\"id\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
             "<dc:identifier id=\"id\">bench</dc:identifier><dc:title>The bench book</dc:title>"
             "<dc:language>en</dc:language></metadata><manifest><item id=\"nav\" href=\"nav.xhtml\" "
             "media-type=\"application/xhtml+xml\" properties=\"nav\"/>" + manifest + "</manifest><spine>" + spine +
             "</spine></package>");
    zip_close(archive);
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

void PrepareConversion(SettingsModel& settings, const std::string& book, const std::filesystem::path& pages,
                       const std::vector<std::string>& sets)
{
    ApplyStartUpDefaults(settings);
    for (const std::string& set : sets)
        if (auto error = settings.ApplyEdit(set.substr(0, set.find('=')), set.substr(set.find('=') + 1)))
            std::fprintf(stderr, "%s\n", error->c_str());
    settings.TypeText("txtOutFileName", "book");
    settings.TypeText("txtInpFile", book);
    std::filesystem::create_directories(pages);
    settings.UseOutputFolder(pages.string() + "/");
}

bool RunInChild(const std::function<void(void* answer)>& work, void* answer, std::size_t size,
                double* peakMegabytes)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return false;
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (pid == 0) {
        ::close(ends[0]);
        std::vector<unsigned char> buffer(size);
        work(buffer.data());
        [[maybe_unused]] const auto written = ::write(ends[1], buffer.data(), size);
        ::_exit(0);
    }
    ::close(ends[1]);
    const bool answered = ::read(ends[0], answer, size) == static_cast<ssize_t>(size);
    ::close(ends[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (peakMegabytes)
        *peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the child ended with status %d\n", status);
        return false;
    }
    return answered;
}
