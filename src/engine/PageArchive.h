#pragma once

#include "base/Result.h"
#include "base/SaveFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the archive's ComicInfo.xml says of the book beside its pages; empty texts are left out, but the title.
struct ComicDetails {
    std::string title;     // UTF-8, as every text here
    std::string writer;
    std::string language;  // as the book names it: "en", "fr-CA"
    bool blackAndWhite = false;
};

// A run's pages gathered into one comic-book archive: a ZIP of the page images, stored as they are (JPEG and PNG
// do not shrink further), then ComicInfo.xml, so that comic readers on phones, tablets and e-readers show the book
// and its chapters. The same pages and details give the same bytes: every entry is dated 1980-01-01 00:00 (the
// earliest time a ZIP entry can hold), in the order added, with no field that varies.
//
// The pages go straight into the archive's temporary file (a SaveFile), each where the archive will hold it, so
// memory stays flat however long the book and no page is written twice. Commit has libzip write the headers,
// ComicInfo.xml and the directory around them, and puts the file in place of the archive only once it is complete;
// until then the archive that was there stays as it was, and an archive that is never committed leaves nothing.
class PageArchive {
public:
    // Opens the temporary file beside the archive; an error names the archive.
    static Result<PageArchive> Begin(std::string path);

    // Appends a page, named as its file would be (without folders), and the chapter title that begins on it, if
    // any, for its bookmark.
    Result<void> Add(std::string_view name, std::span<const std::uint8_t> bytes, std::string_view bookmark);

    // Writes the archive of every page added so far; may be called again after more pages.
    Result<void> Commit(const ComicDetails& details);

    const std::string& Path() const { return mPath; }
    int Pages() const { return static_cast<int>(mPages.size()); }

private:
    // Where a page's data lies in the archive: after the local headers (30 bytes and the name, nothing more) and
    // data of the pages before it, and its own header.
    struct Page {
        std::uint64_t offset;
        std::uint32_t size;
        std::uint32_t nameEnd;  // in the names of the pages one after the other, where this page's name ends
    };

    PageArchive(std::string path, SaveFile file) : mPath(std::move(path)), mFile(std::move(file)) {}
    Error Failed(int code) const;
    std::string ComicInfo(const ComicDetails& details) const;
    // After a commit the file is the archive: further pages go into a new file that begins as a copy of it.
    Result<void> Reopen();
    // libzip writes the archive around the pages in their file, or, when it lays an entry out otherwise than Page
    // says (writing in place then stops before any page's data, and says so), copies them into a file of its own.
    enum class Into { Place, Copy };
    Result<void> WriteArchive(const ComicDetails& details, Into into, bool& laidOutOtherwise);

    std::string mPath;
    std::optional<SaveFile> mFile;  // the pages, until a commit puts it in place
    std::uint64_t mEnd = 0;         // the end of the last page's data
    std::vector<Page> mPages;
    std::string mNames;  // the pages' names, one after the other
    std::vector<std::pair<int, std::string>> mBookmarks;  // by page index, from 0
};
