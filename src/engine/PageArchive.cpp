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

// The archive's file as libzip writes it: a SaveFile, which replaces the archive only once it is complete, and
// leaves it as it was when libzip rolls the writing back.
struct Target {
    const std::string* path = nullptr;
    std::optional<SaveFile> file;
    std::uint64_t position = 0, size = 0;
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
    case ZIP_SOURCE_BEGIN_WRITE: {
        auto file = SaveFile::Open(*target.path);
        if (!file)
            return Fail(target, file.Failure());
        target.file.emplace(std::move(*file));
        target.position = target.size = 0;
        return 0;
    }
    case ZIP_SOURCE_WRITE: {
        const std::span bytes(static_cast<const std::uint8_t*>(data), length);
        const auto written =
            target.position == target.size ? target.file->Write(bytes) : target.file->WriteAt(target.position, bytes);
        if (!written)
            return Fail(target, written.Failure());
        target.position += length;
        target.size = std::max(target.size, target.position);
        return static_cast<zip_int64_t>(length);
    }
    case ZIP_SOURCE_SEEK_WRITE: {
        const zip_int64_t to = zip_source_seek_compute_offset(target.position, target.size, data, length, &target.error);
        if (to < 0)
            return -1;
        target.position = static_cast<std::uint64_t>(to);
        return 0;
    }
    case ZIP_SOURCE_TELL_WRITE:
        return static_cast<zip_int64_t>(target.position);
    case ZIP_SOURCE_COMMIT_WRITE: {
        auto committed = target.file->Commit();
        target.file.reset();
        return committed ? 0 : Fail(target, committed.Failure());
    }
    case ZIP_SOURCE_ROLLBACK_WRITE:
        target.file.reset();  // abandoned: the archive stays as it was
        return 0;
    case ZIP_SOURCE_REMOVE:
    case ZIP_SOURCE_FREE:
        return 0;
    default:
        zip_error_set(&target.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

// A page as libzip reads it at the commit: a range of the scratch file.
struct PageSource {
    int fd = -1;
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
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(length, page.size - page.position));
        const std::int64_t read = ReadAt(page.fd, {static_cast<std::uint8_t*>(data), wanted}, page.offset + page.position);
        if (read < 0) {
            zip_error_set(&page.error, ZIP_ER_READ, static_cast<int>(-read));
            return -1;
        }
        page.position += static_cast<std::uint64_t>(read);
        return read;
    }
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
    case ZIP_SOURCE_CLOSE:
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
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a named one, removed at once.
        std::string name = folder + "." + path.substr(slash + 1) + ".pages.XXXXXX";
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(name.c_str());
    }
    if (fd < 0)
        return SystemError("cannot write " + path, errno);
    return PageArchive(std::move(path), fd);
}

PageArchive::PageArchive(PageArchive&& other) noexcept { *this = std::move(other); }

PageArchive& PageArchive::operator=(PageArchive&& other) noexcept
{
    if (this != &other) {
        if (mScratch >= 0)
            ::close(mScratch);
        mPath = std::move(other.mPath);
        mScratch = std::exchange(other.mScratch, -1);
        mScratchSize = other.mScratchSize;
        mPages = std::move(other.mPages);
        mNames = std::move(other.mNames);
        mBookmarks = std::move(other.mBookmarks);
    }
    return *this;
}

PageArchive::~PageArchive()
{
    if (mScratch >= 0)
        ::close(mScratch);
}

Error PageArchive::Failed(int code) const { return SystemError("cannot write " + mPath, code); }

Result<void> PageArchive::Add(std::string_view name, std::span<const std::uint8_t> bytes, std::string_view bookmark)
{
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return Failed(EFBIG);
    // At its place, so that whatever a failed write left is written over by the next page.
    if (const int code = WriteFully(mScratch, bytes, static_cast<std::int64_t>(mScratchSize)); code != 0)
        return Failed(code);
    if (!bookmark.empty())
        mBookmarks.emplace_back(Pages(), bookmark);
    mNames += name;
    mPages.push_back({mScratchSize, static_cast<std::uint32_t>(bytes.size()), static_cast<std::uint32_t>(mNames.size())});
    mScratchSize += bytes.size();
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
    const std::string comicInfo = ComicInfo(details);
    std::vector<PageSource> sources(mPages.size());  // read by libzip until it is closed
    Target target;
    target.path = &mPath;
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
    bool added = add("ComicInfo.xml", zip_source_buffer(zip, comicInfo.data(), comicInfo.size(), 0));
    std::string name;
    for (std::size_t i = 0; i < mPages.size() && added; ++i) {
        const Page& page = mPages[i];
        const std::uint32_t nameStart = i == 0 ? 0 : mPages[i - 1].nameEnd;
        name.assign(mNames, nameStart, page.nameEnd - nameStart);
        sources[i].fd = mScratch;
        sources[i].offset = page.offset;
        sources[i].size = page.size;
        added = add(name.c_str(), zip_source_function(zip, ReadPage, &sources[i]));
    }
    if (!added || zip_close(zip) != 0) {
        Error failure = target.failure.value_or(Error{"cannot write " + mPath + ": " + zip_strerror(zip), 0});
        zip_discard(zip);
        return failure;
    }
    return {};
}
