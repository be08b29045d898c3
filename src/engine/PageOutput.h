#pragma once

#include "base/NameLock.h"
#include "base/Result.h"
#include "base/SaveFile.h"
#include "books/BookReader.h"
#include "engine/PageArchive.h"
#include "imaging/Bitmap.h"
#include "imaging/cDIBSection.h"
#include "imaging/cDIBSectionSave.h"

#include <memory>
#include <optional>
#include <cstdint>
#include <span>
#include <vector>
#include <string>
#include <string_view>

class SettingsModel;
struct RunState;

// Turns the page on the canvas into its files: "TempBMP.bmp", the converter's bitmap (root + "BW.bmp") and the
// numbered JPEG or PNG page, optionally turned a quarter turn and reduced to black and white. The page goes into
// a file of its own, or with chkCompress (read when a run begins) into the run's archive, root + ".cbz", which is
// written when the run ends at the end of the book or of its page range (CommitArchive); a run that ends
// otherwise leaves the archive that was there as it was.
class PageOutput {
public:
    PageOutput(SettingsModel& settings, RunState& state) : mSettings(settings), mState(state) {}
    ~PageOutput();
    PageOutput(const PageOutput&) = delete;
    PageOutput& operator=(const PageOutput&) = delete;

    // Settles the output folder for a run: OutputPath, else InputFolder + "Out/", else InputFolder.
    void PrepareOutputFolder();

    // The full path of page n, ".jpg" or ".png" as lstPageFormat says; may create the chapter sub-folder. The
    // chapter folder, the root and the chapter text are cleaned and shortened to fit the file system, so the page
    // lies inside the output folder. A page of an archive is named inside it, without chapter folders:
    // "/out/novel.cbz/novel_00002 (Ch 01.1).jpg".
    std::string PageFileName(int n);

    // Whether a page is the run's last: nothing but clearing the canvas follows it.
    enum class Position { Within, Last };

    // Writes the files of the page on the canvas, the page at pagePath (the current page's PageFileName, whose
    // extension says the format), unless the page lies below txtFromPg. Answers an error naming the file when one
    // cannot be written; nothing is counted as written then. The working bitmaps of the run's last page are written
    // with it; the outcome of that is answered by WriteWorkingBitmaps.
    Result<void> WritePage(const std::string& pagePath, Position position = Position::Within);

    // A chapter begins on page fileNumber: its title becomes that page's bookmark in the archive.
    void ChapterStarts(int fileNumber, std::u32string_view title);

    // Writes the run's archive with every page written so far, and what the book says of itself for its
    // ComicInfo.xml (the root is the title of a book that names none). Nothing to do without an archive or a
    // page since the last commit. An error names the archive, which then stays as it was.
    Result<void> CommitArchive(const BookInfo& book);
    // The run's pages go into its archive, and where that is; whether this run has written it.
    bool IntoArchive() const { return mIntoArchive; }
    std::string ArchivePath() const;
    bool ArchiveWritten() const { return mArchivedPages > 0; }

    // Writes "TempBMP.bmp" and the converter's bitmap for the latest page written, if not done yet; answers the
    // outcome of the last page's once, when they were written with it.
    Result<void> WriteWorkingBitmaps();

    // A run starts with no chapter folder and no page written.
    void BeginRun();
    // At its end it lets go of the folder its pages went into, so that nothing holds a player's drive, and of its
    // lock; a folder it made and left empty goes.
    void EndRun();

    // Takes the lock of the run's root in the output folder: a second run of the same root into the same folder
    // is refused with a message naming the folder. Then removes the temporary files that runs of this root left
    // there (and in its chapter folders) when they were killed: those whose process is gone. A dry run neither
    // locks nor removes anything.
    Result<void> ClaimOutputFolder();

    // After a run that converted the whole book: removes the page files of this root that the run did not write
    // (an earlier, longer run's pages after the end of the book, JPEG or PNG), in the output folder and its
    // sub-folders. Nothing else is touched, and nothing at all by a run into an archive. Answers how many were
    // removed.
    int RemoveStalePages();

    // A dry run lays the book out and counts the pages it would write, but makes no folder and writes no file.
    void SetDryRun(bool dryRun) { mDryRun = dryRun; }

    // The JPEG quality for the page: txtQA when it is a number from 0 to 10 (rounded), otherwise 5.
    int JpegQuality() const;

    // The page surface: the latest page mapped onto black and white, when it held other colours.
    cDIBSection PageSurface;
    // The pixels of the latest page written as its page file encodes them; valid until the next page is written,
    // the canvas changes or another run begins.
    const Bitmap& EncodedPage() const;

private:
    void LoadSurface(const Bitmap& page);
    void RemoveDeadTemporaries(const std::string& folder, const std::string& root);
    // The key of a page's path, as PathKey makes it; the folder is made normal once for the pages it holds.
    std::uint64_t PageKey(const std::string& path);
    Result<void> SaveWorkingBitmaps(const Bitmap& page);
    // Puts an encoded page where it goes: its file, or the run's archive.
    Result<void> StorePage(const std::string& pagePath, std::span<const std::uint8_t> bytes, const char* format);

    SettingsModel& mSettings;
    RunState& mState;
    std::string mChapterFolder;
    std::u32string mFolderNumberText;
    std::vector<std::uint64_t> mWritten;  // the page files of this run, by PathKey
    std::string mKeyFolder, mNormalKeyFolder;  // the folder of the latest page's key, and it made normal
    SaveFolder mPageFolder;               // the folder the latest page went into, held for the run
    std::optional<NameLock> mLock;        // the root's lock in the output folder, held for the run
    std::string mMadeFolder;              // the output folder, when this run made it
    std::size_t mNameMax = 255;  // the longest name the output folder's file system takes
    std::optional<Bitmap> mTurned;  // Pic2, the page turned for a player held sideways
    // The latest page written but the run's last: still on the canvas, which hands it over before it changes,
    // or kept here.
    std::optional<Bitmap> mLastPage;
    const Bitmap* LastPage() const;
    const Bitmap* mEncoded = nullptr;  // the canvas, mLastPage, mTurned or the page surface
    Result<void> mLastPageBitmaps;    // the outcome of writing the working bitmaps of the run's last page
    bool mPureBW = true;
    bool mDryRun = false;
    bool mWorkingBitmapsPending = false;
    bool mIntoArchive = false;
    std::optional<PageArchive> mArchive;  // begun with the first page written
    int mArchivedPages = 0;               // pages in the archive as last written
    bool mAllBlackAndWhite = true;        // every page of the archive is
    int mBookmarkPage = 0;                // the page the latest chapter begins on, and its title
    std::string mBookmark;
    std::string mTempPath;
    std::string mBwPath;
};
