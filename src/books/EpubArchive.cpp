#include "books/EpubArchive.h"

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr std::size_t kReadChunk = 1 << 16;
// "mimetype" holds 20 bytes and perhaps a line break; anything much longer is not an EPUB's.
constexpr std::uint64_t kMostMimetype = 256;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string ZipMessage(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zip_error_strerror(&error);
    zip_error_fini(&error);
    return message;
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

void EpubArchive::ZipDiscard::operator()(zip* archive) const { zip_discard(archive); }

EpubArchive::EpubArchive(std::unique_ptr<zip, ZipDiscard> archive, std::string path, std::uint64_t fileSize)
    : mZip(std::move(archive)), mPath(std::move(path)), mFileSize(fileSize)
{
}

Result<EpubArchive> EpubArchive::Open(const std::string& path)
{
    // Looked at first by ourselves: the system's reason when it cannot be opened; no waiting on a pipe, which
    // libzip could not read anyway; and whether it starts as a ZIP archive does, which tells a truncated archive
    // (its directory is at the end) from a file of another kind.
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return SystemError("cannot open " + path, errno);
    if (S_ISDIR(status.st_mode))
        return SystemError("cannot open " + path, EISDIR);
    if (!S_ISREG(status.st_mode))
        return Error{path + " is not an EPUB book: it is not a file but a device or a pipe"};
    if (status.st_size == 0)
        return Error{path + " is empty"};
    const std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return SystemError("cannot open " + path, errno);
    char start[4] = {};
    const bool zipStart = std::fread(start, 1, 4, file.get()) == 4 && std::equal(start, start + 4, "PK\x03\x04");

    int code = 0;
    std::unique_ptr<zip, ZipDiscard> archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        switch (code) {
        case ZIP_ER_NOZIP:
            return Error{zipStart ? path + " is a damaged or truncated ZIP archive: its directory is missing"
                                  : path + " is not an EPUB book: it is not a ZIP archive"};
        case ZIP_ER_INCONS:
        case ZIP_ER_MULTIDISK:
        case ZIP_ER_EOF:
        case ZIP_ER_CRC:
        case ZIP_ER_COMPRESSED_DATA:
            return Error{path + " is a damaged or truncated ZIP archive (" + ZipMessage(code) + ")"};
        default:
            return Error{"cannot read " + path + ": " + ZipMessage(code)};
        }
    }
    EpubArchive opened(std::move(archive), path, static_cast<std::uint64_t>(status.st_size));
    if (auto checked = opened.CheckMimetype(); !checked)
        return checked.Failure();
    return opened;
}

Result<void> EpubArchive::CheckMimetype()
{
    const Error notEpub{mPath + " is a ZIP archive, not an EPUB book"};
    const char* first = zip_get_num_entries(mZip.get(), 0) > 0 ? zip_get_name(mZip.get(), 0, 0) : nullptr;
    if (!first || std::string_view(first) != "mimetype")
        return notEpub;
    zip_stat_t stat;
    zip_stat_init(&stat);
    zip_stat_index(mZip.get(), 0, 0, &stat);
    std::uint64_t ignored = 0;
    auto text = Read({0, stat.size, stat.comp_size}, "mimetype", {kMostMimetype, kMostMimetype}, ignored);
    if (!text)
        return notEpub;
    while (!text->empty() && IsBlank(text->back()))
        text->pop_back();
    if (*text != "application/epub+zip")
        return notEpub;
    return {};
}

std::optional<EpubArchive::Entry> EpubArchive::Find(const std::string& name) const
{
    if (name.empty())
        return std::nullopt;
    zip_int64_t index = zip_name_locate(mZip.get(), name.c_str(), 0);
    if (index < 0)
        index = zip_name_locate(mZip.get(), name.c_str(), ZIP_FL_NOCASE);
    if (index < 0)
        return std::nullopt;
    zip_stat_t stat;
    zip_stat_init(&stat);
    Entry entry{static_cast<std::uint64_t>(index)};
    if (zip_stat_index(mZip.get(), entry.index, 0, &stat) == 0) {
        entry.size = (stat.valid & ZIP_STAT_SIZE) ? stat.size : 0;
        entry.compressedSize = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;
    }
    return entry;
}

Result<std::string> EpubArchive::Read(const Entry& entry, const std::string& name, const Limits& limits,
                                      std::uint64_t& bookTotal)
{
    const std::uint64_t limit = limits.document;
    const std::unique_ptr<zip_file_t, ZipFileClose> file(zip_fopen_index(mZip.get(), entry.index, 0));
    if (!file)
        return Error{"cannot read " + name + " in " + mPath + ": " + zip_strerror(mZip.get())};
    // Room for what the directory claims, which is right for every honest book; when it lies, growth stops at the
    // limit.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min(entry.size, limit)));
    std::string chunk(kReadChunk, '\0');
    for (;;) {
        // One byte past the limit is enough to know it is passed.
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, limit + 1 - bytes.size()));
        const zip_int64_t got = zip_fread(file.get(), chunk.data(), wanted);
        if (got < 0)
            return Error{"cannot read " + name + " in " + mPath + ": " + zip_file_strerror(file.get())};
        if (got == 0)
            return bytes;
        const std::size_t size = bytes.size() + static_cast<std::size_t>(got);
        if (size > bytes.capacity()) {
            const std::uint64_t doubled = std::max<std::uint64_t>(2 * bytes.capacity(), size);
            bytes.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, doubled)));
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(got));
        bookTotal += static_cast<std::uint64_t>(got);
        if (bytes.size() > limit)
            return Error{name + " in " + mPath + " uncompresses to more than " + Megabytes(limit) +
                         ", which Leafcast refuses to read"};
        if (bookTotal > limits.book)
            return Error{mPath + " uncompresses to more than " + Megabytes(limits.book) + " (at " + name +
                         "), which Leafcast refuses to read"};
    }
}

Result<XmlDocPtr> EpubArchive::ReadXml(const std::string& name, const std::string& what, XmlFallback fallback,
                                       const Limits& limits, std::uint64_t& bookTotal, std::string* flaw)
{
    const auto entry = Find(name);
    if (!entry)
        return Error{mPath + " has no " + what + ": " + name + " is missing"};
    const auto bytes = Read(*entry, name, limits, bookTotal);
    if (!bytes)
        return bytes.Failure();
    auto document = ParseXml(*bytes, fallback, flaw);
    if (!document)
        return Error{NotXml(name, what, document.Failure().message)};
    return document;
}

std::string EpubArchive::NotXml(const std::string& name, const std::string& what, const std::string& why) const
{
    return "the " + what + " of " + mPath + ", " + name + ", is not XML (" + why + ")";
}
