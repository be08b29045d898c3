#include "engine/PageArchive.h"

#include "base/FileBytes.h"
#include "base/SaveFile.h"
#include "base/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <unistd.h>
#include <zip.h>

namespace {

// 1980-01-01 00:00 as libzip takes it: a time it turns into a ZIP entry's local date and time.
std::time_t EntryTime()
{
    std::tm start{};
    start.tm_year = 80;
    start.tm_mday = 1;
    start.tm_isdst = -1;
    return std::mktime(&start);
}

// libzip reads and writes an entry 8 KiB at a time; the pages are read, and the archive written, in pieces this
// large instead, so that a page costs no system call of its own.
constexpr std::size_t kPiece = 256 << 10;
constexpr std::uint64_t kLocalHeader = 30;  // a local header's fixed part, the name follows

// The archive's file as libzip writes it, a SaveFile: the pages' own file, around the pages already in their
// places, or a file of its own that the pages are copied into. Either replaces the archive only once it is
// complete; rolled back, a file of its own goes, and the pages' file keeps them. libzip goes back to fill in an
// entry's header once its data is written; the header is then still in the buffer as a rule.
struct Target {
    const std::string* path = nullptr;
    bool inPlace = false;
    SaveFile* file = nullptr;
    std::optional<SaveFile> own;
    bool skipping = false;          // libzip is copying a page's data onto itself
    bool laidOutOtherwise = false;  // a page's data would not land where it lies
    std::uint64_t position = 0, size = 0;
    std::vector<std::uint8_t> buffer;  // what is written from bufferStart on, not yet in the file
    std::uint64_t bufferStart = 0;
    std::optional<Error> failure;  // the first failure, naming the archive
    zip_error_t error{};
};

zip_int64_t Fail(Target& target, Error failure)
{
    zip_error_set(&target.error, ZIP_ER_WRITE, failure.code);
    if (!target.failure)
        target.failure = std::move(failure);
    return -1;
}

bool Flush(Target& target)
{
    if (target.buffer.empty())
        return true;
    auto written = target.file->WriteAt(target.bufferStart, target.buffer);
    target.buffer.clear();
    return written || Fail(target, written.Failure()) == 0;
}

bool Write(Target& target, std::span<const std::uint8_t> bytes)
{
    const std::uint64_t end = target.bufferStart + target.buffer.size();
    if (target.position < target.bufferStart || target.position > end ||
        target.position + bytes.size() > target.bufferStart + kPiece) {
        if (!Flush(target))
            return false;
        target.bufferStart = target.position;
        if (bytes.size() > kPiece) {
            auto written = target.file->WriteAt(target.position, bytes);
            return written || Fail(target, written.Failure()) == 0;
        }
    }
    const std::size_t at = static_cast<std::size_t>(target.position - target.bufferStart);
    if (at + bytes.size() > target.buffer.size())
        target.buffer.resize(at + bytes.size());
    std::copy(bytes.begin(), bytes.end(), target.buffer.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}

zip_int64_t WriteTarget(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    Target& target = *static_cast<Target*>(state);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_WRITABLE;
    case ZIP_SOURCE_STAT:  // there is no archive to read: libzip begins a new one
        zip_error_set(&target.error, ZIP_ER_READ, ENOENT);
        return -1;
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&target.error, data, length);
    case ZIP_SOURCE_BEGIN_WRITE:
        if (!target.inPlace) {
            auto file = SaveFile::Open(*target.path, SaveFile::Durability::Synced, SaveFile::Target::OwnName);
            if (!file)
                return Fail(target, file.Failure());
            target.file = &target.own.emplace(std::move(*file));
        }
        target.position = target.size = target.bufferStart = 0;
        target.buffer.clear();
        target.buffer.reserve(kPiece);
        return 0;
    case ZIP_SOURCE_WRITE:
        if (!target.skipping &&
            !Write(target, {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length)}))
            return -1;
        target.position += length;
        target.size = std::max(target.size, target.position);
        return static_cast<zip_int64_t>(length);
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t to =
            zip_source_seek_compute_offset(target.position, target.size, data, length, &target.error);
        if (to < 0)
            return -1;
        target.position = static_cast<std::uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(target.position);
    case ZIP_SOURCE_COMMIT_WRITE: {
        if (!Flush(target))
            return -1;
        // Nothing of an earlier attempt may follow the archive's end.
        auto committed = target.file->Truncate(target.size);
        if (committed)
            committed = target.file->Commit();
        target.own.reset();
        return committed ? 0 : Fail(target, committed.Failure());
    }
    case ZIP_SOURCE_ROLLBACK_WRITE:
        target.buffer.clear();
        target.own.reset();
        return 0;
    case ZIP_SOURCE_REMOVE:
    case ZIP_SOURCE_FREE:
        return 0;
    default:
        zip_error_set(&target.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// The pages' file, read ahead: libzip reads the pages one after the other.
struct PageReader {
    const SaveFile* file = nullptr;
    std::vector<std::uint8_t> buffer;  // the file from bufferStart on
    std::uint64_t bufferStart = 0;

    // Copies up to length bytes at offset into data; answers how many.
    Result<std::size_t> Read(std::uint64_t offset, std::uint8_t* data, std::size_t length)
    {
        if (offset < bufferStart || offset + length > bufferStart + buffer.size()) {
            buffer.resize(std::max(kPiece, length));
            auto read = file->ReadAt(offset, buffer);
            buffer.resize(read ? *read : 0);
            bufferStart = offset;
            if (!read)
                return read.Failure();
        }
        const std::size_t available = std::min<std::size_t>(length, bufferStart + buffer.size() - offset);
        std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(offset - bufferStart), available, data);
        return available;
    }
};

// A page as libzip reads it at the commit. Written in place, its data is where libzip is about to write it, and
// is not written again.
struct PageSource {
    PageReader* pages = nullptr;
    Target* inPlace = nullptr;
    std::uint64_t offset = 0, size = 0, position = 0;
    zip_error_t error{};
};

zip_int64_t ReadPage(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    PageSource& page = *static_cast<PageSource*>(state);
    switch (command) {
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    case ZIP_SOURCE_OPEN:
        page.position = 0;
        if (page.inPlace) {
            if (page.inPlace->position != page.offset) {
                page.inPlace->laidOutOtherwise = true;
                zip_error_set(&page.error, ZIP_ER_INTERNAL, 0);
                return -1;
            }
            page.inPlace->skipping = true;
        }
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(length, page.size - page.position));
        const auto read = page.pages->Read(page.offset + page.position, static_cast<std::uint8_t*>(data), wanted);
        if (!read) {
            zip_error_set(&page.error, ZIP_ER_READ, read.Failure().code);
            return -1;
        }
        page.position += *read;
        return static_cast<zip_int64_t>(*read);
    }
    case ZIP_SOURCE_CLOSE:
        if (page.inPlace)
            page.inPlace->skipping = false;
        return 0;
    case ZIP_SOURCE_STAT: {
        auto* stat = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &page.error);
        if (!stat)
            return -1;
        zip_stat_init(stat);
        stat->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD;
        stat->size = stat->comp_size = page.size;
        stat->comp_method = ZIP_CM_STORE;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&page.error, data, length);
    case ZIP_SOURCE_FREE:
        return 0;
    default:
        zip_error_set(&page.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// A text for XML content or an attribute: markup characters as references, and what XML 1.0 cannot hold (control
// characters but tab, line feed and carriage return, U+FFFE, U+FFFF) left out.
std::string Escaped(std::string_view utf8)
{
    std::u32string text;
    for (const char32_t c : FromUtf8(utf8)) {
        switch (c) {
        case U'&': text += U"&amp;"; break;
        case U'<': text += U"&lt;"; break;
        case U'>': text += U"&gt;"; break;
        case U'"': text += U"&quot;"; break;
        case U'\'': text += U"&apos;"; break;
        case U'\t': text += U"&#9;"; break;
        case U'\n': text += U"&#10;"; break;
        case U'\r': text += U"&#13;"; break;
        default:
            if (c >= 0x20 && c != 0xFFFE && c != 0xFFFF)
                text += c;
        }
    }
    return ToUtf8(text);
}

} // namespace

Result<PageArchive> PageArchive::Begin(std::string path)
{
    auto file = SaveFile::Open(path, SaveFile::Durability::Synced, SaveFile::Target::OwnName);
    if (!file)
        return file.Failure();
    return PageArchive(std::move(path), std::move(*file));
}

Error PageArchive::Failed(int code) const { return SystemError("cannot write " + mPath, code); }

Result<void> PageArchive::Reopen()
{
    auto file = SaveFile::Open(mPath, SaveFile::Durability::Synced, SaveFile::Target::OwnName);
    if (!file)
        return file.Failure();
    const int archive = ::open(mPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (archive < 0)
        return SystemError("cannot read " + mPath + " back", errno);
    std::vector<std::uint8_t> piece(kPiece);
    Result<void> copied;
    for (std::uint64_t at = 0; at < mEnd && copied;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, mEnd - at));
        const std::int64_t read = ReadAt(archive, std::span(piece).first(wanted), at);
        if (read <= 0)
            copied = SystemError("cannot read " + mPath + " back", read < 0 ? static_cast<int>(-read) : EIO);
        else if (copied = file->WriteAt(at, std::span(piece).first(static_cast<std::size_t>(read))); copied)
            at += static_cast<std::uint64_t>(read);
    }
    ::close(archive);
    if (copied)
        mFile.emplace(std::move(*file));
    return copied;
}

Result<void> PageArchive::Add(std::string_view name, std::span<const std::uint8_t> bytes, std::string_view bookmark)
{
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return Failed(EFBIG);
    if (!mFile)
        if (auto reopened = Reopen(); !reopened)
            return reopened;
    const std::uint64_t offset = mEnd + kLocalHeader + name.size();
    if (auto written = mFile->WriteAt(offset, bytes); !written)
        return written;
    if (!bookmark.empty())
        mBookmarks.emplace_back(Pages(), bookmark);
    mNames += name;
    mPages.push_back({offset, static_cast<std::uint32_t>(bytes.size()), static_cast<std::uint32_t>(mNames.size())});
    mEnd = offset + bytes.size();
    return {};
}

std::string PageArchive::ComicInfo(const ComicDetails& details) const
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<ComicInfo xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">\n";
    // In the order the ComicInfo schema gives its elements.
    const auto element = [&xml](std::string_view name, std::string_view text) {
        if (!text.empty())
            xml.append("  <").append(name).append(">").append(Escaped(text)).append("</").append(name).append(">\n");
    };
    element("Title", details.title);
    element("Writer", details.writer);
    element("PageCount", std::to_string(Pages()));
    element("LanguageISO", details.language);
    element("BlackAndWhite", details.blackAndWhite ? "Yes" : "No");
    element("Manga", "No");
    xml += "  <Pages>\n";
    auto bookmark = mBookmarks.begin();
    for (int image = 0; image < Pages(); ++image) {
        xml += "    <Page Image=\"" + std::to_string(image) + "\"";
        if (bookmark != mBookmarks.end() && bookmark->first == image)
            xml += " Bookmark=\"" + Escaped((bookmark++)->second) + "\"";
        xml += "/>\n";
    }
    return xml + "  </Pages>\n</ComicInfo>\n";
}

Result<void> PageArchive::Commit(const ComicDetails& details)
{
    if (!mFile)
        if (auto reopened = Reopen(); !reopened)
            return reopened;
    bool laidOutOtherwise = false;
    auto written = WriteArchive(details, Into::Place, laidOutOtherwise);
    if (!written && laidOutOtherwise)
        written = WriteArchive(details, Into::Copy, laidOutOtherwise);
    return written;
}

Result<void> PageArchive::WriteArchive(const ComicDetails& details, Into into, bool& laidOutOtherwise)
{
    const std::string comicInfo = ComicInfo(details);
    PageReader pages{&*mFile, {}, 0};
    std::vector<PageSource> sources(mPages.size());  // read by libzip until it is closed
    Target target;
    target.path = &mPath;
    target.inPlace = into == Into::Place;
    if (target.inPlace)
        target.file = &*mFile;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* file = zip_source_function_create(WriteTarget, &target, &error);
    zip_t* zip = file ? zip_open_from_source(file, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    if (!zip) {
        if (file)
            zip_source_free(file);
        const std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        return Error{"cannot write " + mPath + ": " + reason, 0};
    }
    zip_error_fini(&error);

    const std::time_t time = EntryTime();
    const auto add = [&](const char* name, zip_source_t* source) {
        const zip_int64_t index = source ? zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 && source)
            zip_source_free(source);
        return index >= 0 && zip_set_file_compression(zip, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0) == 0 &&
               zip_file_set_mtime(zip, static_cast<zip_uint64_t>(index), time, 0) == 0;
    };
    bool added = true;
    std::string name;
    for (std::size_t i = 0; i < mPages.size() && added; ++i) {
        const Page& page = mPages[i];
        const std::uint32_t nameStart = i == 0 ? 0 : mPages[i - 1].nameEnd;
        name.assign(mNames, nameStart, page.nameEnd - nameStart);
        sources[i] = {&pages, target.inPlace ? &target : nullptr, page.offset, page.size, 0, {}};
        added = add(name.c_str(), zip_source_function(zip, ReadPage, &sources[i]));
    }
    added = added && add("ComicInfo.xml", zip_source_buffer(zip, comicInfo.data(), comicInfo.size(), 0));
    if (!added || zip_close(zip) != 0) {
        laidOutOtherwise = target.laidOutOtherwise;
        Error failure = target.failure.value_or(Error{"cannot write " + mPath + ": " + zip_strerror(zip), 0});
        zip_discard(zip);
        return failure;
    }
    if (target.inPlace)
        mFile.reset();  // it is the archive now
    return {};
}
