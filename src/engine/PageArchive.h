#pragma once

#include "base/Result.h"

#include <cstdint>
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
// do not shrink further), with ComicInfo.xml first, so that comic readers on phones, tablets and e-readers show
// the book and its chapters. The pages wait in an unnamed scratch file beside the archive, so memory stays flat
// however long the book and nothing of them is left if the run ends without writing the archive.
//
// Commit writes the archive through a SaveFile: the archive that was there stays as it was until the new one is
// complete, and then it is replaced whole. The same pages and details give the same bytes: every entry is dated
// 1980-01-01 00:00 (the earliest time a ZIP entry can hold), in the order added, with no field that varies.
class PageArchive {
public:
    // Makes the scratch file in the archive's folder; an error names the archive.
    static Result<PageArchive> Begin(std::string path);

    PageArchive(PageArchive&& other) noexcept;
    PageArchive& operator=(PageArchive&& other) noexcept;
    PageArchive(const PageArchive&) = delete;
    PageArchive& operator=(const PageArchive&) = delete;
    ~PageArchive();

    // Appends a page, named as its file would be (without folders), and the chapter title that begins on it, if
    // any, for its bookmark.
    Result<void> Add(std::string_view name, std::span<const std::uint8_t> bytes, std::string_view bookmark);

    // Writes the archive of every page added so far; may be called again after more pages.
    Result<void> Commit(const ComicDetails& details);

    const std::string& Path() const { return mPath; }
    int Pages() const { return static_cast<int>(mPages.size()); }

private:
    PageArchive(std::string path, int scratch) : mPath(std::move(path)), mScratch(scratch) {}
    Error Failed(int code) const;
    std::string ComicInfo(const ComicDetails& details) const;

    struct Page {
        std::uint64_t offset;  // in the scratch file
        std::uint32_t size;
        std::uint32_t nameEnd;  // in mNames, where the name before it ends
    };

    std::string mPath;
    int mScratch = -1;
    std::uint64_t mScratchSize = 0;
    std::vector<Page> mPages;
    std::string mNames;  // the pages' names, one after the other
    std::vector<std::pair<int, std::string>> mBookmarks;  // by page index, from 0
};
