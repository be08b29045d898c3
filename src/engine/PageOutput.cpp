#include "engine/PageOutput.h"

#include "engine/Masks.h"
#include "engine/PageLookup.h"
#include "engine/RunState.h"
#include "base/AppError.h"
#include "base/Text.h"
#include "imaging/BmpFile.h"
#include "imaging/RotateBMP90Degr.h"
#include "base/Rounding.h"
#include "platform/ConvertBMP2JPG.h"
#include "platform/Paths.h"
#include "platform/PngEncoder.h"
#include "settings/SettingsModel.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <utility>
#include <csignal>
#include <sys/stat.h>

namespace {

bool FolderExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0 || FolderExists(path); }

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// What identifies a page file among those of a run: a hash of its path, so that remembering every page of a
// long book costs eight bytes a page. Two paths of one hash would at worst keep a stale page.
std::uint64_t PathKey(const std::string& path)
{
    return std::hash<std::string>{}(std::filesystem::path(path).lexically_normal().string());
}

} // namespace

std::uint64_t PageOutput::PageKey(const std::string& path)
{
    // The folder made normal followed by the name is the whole path made normal, unless the folder comes out
    // as "." (it has no trailing slash then) or the name is a dot name; such a path is made normal whole.
    const std::size_t nameStart = path.rfind('/') + 1;  // 0 without a slash
    const std::string_view folder(path.data(), nameStart), name = std::string_view(path).substr(nameStart);
    if (folder != mKeyFolder) {
        mKeyFolder = folder;
        mNormalKeyFolder = std::filesystem::path(mKeyFolder).lexically_normal().string();
    }
    if (nameStart == 0 || name.empty() || name == "." || name == ".." || !mNormalKeyFolder.ends_with('/'))
        return PathKey(path);
    return std::hash<std::string>{}(mNormalKeyFolder + std::string(name));
}

void PageOutput::PrepareOutputFolder()
{
    std::string folder = WithSlash(mSettings.OutputPath());
    mMadeFolder.clear();
    const auto make = [this](const std::string& path) {
        const bool made = ::mkdir(path.c_str(), 0777) == 0;
        if (made)
            mMadeFolder = path;
        return made || FolderExists(path);
    };
    if (!mDryRun && !FolderExists(folder) && !make(folder)) {
        folder = mSettings.InputFolder() + "Out/";
        if (!FolderExists(folder) && !make(folder))
            folder = mSettings.InputFolder();
    }
    mSettings.ShowRunOutputFolder(folder);
    mNameMax = NameMaxFor(folder);
}

void PageOutput::EndRun()
{
    mArchive.reset();  // pages not written into the archive by now go with its temporary file
    mPageFolder.Close();
    mLock.reset();
    if (!mMadeFolder.empty())
        ::rmdir(mMadeFolder.c_str());  // only when the run left it empty
    mMadeFolder.clear();
}

Result<void> PageOutput::ClaimOutputFolder()
{
    if (mDryRun)
        return {};
    const std::string& folder = mSettings.OutputPath();
    const std::string root = RootPiece(mSettings.FileRoot(), mNameMax);
    auto lock = NameLock::Take(folder + "." + root + ".leafcast-lock");
    if (!lock) {
        if (lock.Failure().code == EWOULDBLOCK)
            return Error{"another conversion is writing the pages of \"" + root + "\" into " + folder +
                             ": wait for it to end, or choose another output folder or file root",
                         EWOULDBLOCK};
        // The folder takes no file: said of what the user asked for.
        if (mIntoArchive)
            return SystemError("cannot write " + ArchivePath(), lock.Failure().code);
        return lock.Failure();
    }
    mLock.emplace(std::move(*lock));
    RemoveDeadTemporaries(folder, root);
    return {};
}

void PageOutput::BeginRun()
{
    mChapterFolder.clear();
    mFolderNumberText.clear();
    mWritten.clear();
    mPageFolder.Close();  // a folder renamed since the last run is not followed
    mEncoded = nullptr;
    mLastPageBitmaps = {};
    mIntoArchive = mSettings.On(Control::chkCompress) && !mDryRun;
    mArchive.reset();
    mArchivedPages = 0;
    mAllBlackAndWhite = true;
    mBookmarkPage = 0;
}

// A file that SaveFile was writing when its process was killed: "." + the target's name (cut to 200 bytes) + "." +
// the process number + "." + a counter + ".tmp". Those of this root's pages and working bitmaps go when their
// process is gone; a process number since reused by a living process keeps its file, which is the safe side.
void PageOutput::RemoveDeadTemporaries(const std::string& folder, const std::string& root)
{
    namespace fs = std::filesystem;
    const auto sweep = [&](const fs::path& in) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(in, error)) {
            const std::string name = entry.path().filename().string();
            if (name.size() < 8 || name[0] != '.' || !name.ends_with(".tmp"))
                continue;
            const std::string_view rest = std::string_view(name).substr(1, name.size() - 5);
            const std::size_t counterDot = rest.rfind('.');
            const std::size_t pidDot = counterDot == std::string_view::npos ? counterDot : rest.rfind('.', counterDot - 1);
            if (pidDot == std::string_view::npos || pidDot == 0)
                continue;
            const std::string_view target = rest.substr(0, pidDot), pid = rest.substr(pidDot + 1, counterDot - pidDot - 1);
            if (pid.empty() || pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string_view::npos)
                continue;
            const bool ours = target.starts_with(root + "_") || target == root + "BW.bmp" || target == "TempBMP.bmp" ||
                              target == root + std::string(kArchiveExtension);
            std::error_code ignored;
            if (ours && ::kill(std::stoi(std::string(pid)), 0) != 0 && errno == ESRCH && entry.is_regular_file(ignored))
                fs::remove(entry.path(), ignored);
        }
    };
    sweep(folder);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::error_code ignored;
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
            sweep(entry.path());
    }
}

int PageOutput::RemoveStalePages()
{
    if (mDryRun || mIntoArchive)
        return 0;  // a run that wrote no page file cannot tell what is stale
    namespace fs = std::filesystem;
    const std::string root = RootPiece(mSettings.FileRoot(), mNameMax);
    auto isPageName = [&](const std::string& name) { return PageNumberDigits(name, root).has_value(); };
    std::sort(mWritten.begin(), mWritten.end());
    int removed = 0;
    auto sweep = [&](const fs::path& folder) {
        std::error_code error;
        bool any = false;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            std::error_code ignored;
            if (!entry.is_regular_file(ignored) || entry.is_symlink(ignored) ||
                !isPageName(entry.path().filename().string()) ||
                std::binary_search(mWritten.begin(), mWritten.end(), PathKey(entry.path().string())))
                continue;
            if (fs::remove(entry.path(), ignored))
                ++removed, any = true;
        }
        return any;
    };
    const fs::path output(mSettings.OutputPath());
    sweep(output);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(output, error)) {
        std::error_code ignored;
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored) && sweep(entry.path()))
            fs::remove(entry.path(), ignored);  // a chapter folder the shorter run left empty; kept if not empty
    }
    return removed;
}

std::string PageOutput::PageFileName(int n)
{
    // Every piece taken from the book or the settings goes through SafeNamePiece: a page always lands in the
    // output folder or one chapter folder below it, whatever the heading or the root holds.
    const std::u32string& numberText = mState.NumberText;
    const bool diffFold = mSettings.On(Control::chkDiffFold) && !mIntoArchive;  // an archive is flat
    if (diffFold && numberText.substr(0, 3) != U"Par" && numberText != mFolderNumberText) {
        mChapterFolder = SafeNamePiece(ToUtf8(mState.NumberTitle), mNameMax) + "/";
        const std::string folder = mSettings.OutputPath() + mChapterFolder;
        if (!mDryRun && !FolderExists(folder))
            MakeFolder(folder);
        mFolderNumberText = numberText;
    }
    const std::string root = RootPiece(mSettings.FileRoot(), mNameMax);
    const std::string number = PageNumberText(n);
    const std::string_view extension = mSettings.Value(Control::lstPageFormat) == "PNG" ? ".png" : ".jpg";
    std::string chapter;
    if (mState.UseChapterInFileNames) {
        const std::u32string& format = mSettings.Text(Control::txtFormat);
        const std::size_t taken = root.size() + number.size() + std::string_view("_ ()").size() + extension.size();
        chapter = SafeNamePiece(ToUtf8(FormatNumber(TrimBlanks(numberText), format)),
                                mNameMax > taken ? mNameMax - taken : 0, Blanks::Keep);
    }
    std::string name = mSettings.OutputPath();
    if (mIntoArchive)
        name += root + std::string(kArchiveExtension) + "/";
    else if (diffFold)
        name += mChapterFolder;
    return name + root + "_" + number + " (" + chapter + ")" + std::string(extension);
}

std::string PageOutput::ArchivePath() const
{
    return mSettings.OutputPath() + RootPiece(mSettings.FileRoot(), mNameMax) + std::string(kArchiveExtension);
}

void PageOutput::ChapterStarts(int fileNumber, std::u32string_view title)
{
    mBookmarkPage = fileNumber;
    mBookmark = ToUtf8(title);
}

Result<void> PageOutput::CommitArchive(const BookInfo& book)
{
    if (!mArchive || mArchive->Pages() == mArchivedPages)
        return {};
    const ComicDetails details{book.title.empty() ? mSettings.FileRoot() : ToUtf8(book.title), ToUtf8(book.author),
                               book.language, mAllBlackAndWhite};
    if (auto written = mArchive->Commit(details); !written)
        return written;
    mArchivedPages = mArchive->Pages();
    return {};
}

PageOutput::~PageOutput()
{
    if (mSettings.Canvas().Keeps(&mLastPage))
        mSettings.Canvas().KeepBeforeChange(nullptr);
}

const Bitmap* PageOutput::LastPage() const
{
    if (mSettings.Canvas().Keeps(&mLastPage))
        return &mSettings.Canvas().Image();
    return mLastPage ? &*mLastPage : nullptr;
}

void PageOutput::LoadSurface(const Bitmap& page)
{
    if (PageSurface.hdc() && PageSurface.Width() == page.Width() && PageSurface.Height() == page.Height())
        PageSurface.LoadPictureBlt(&page);
    else
        PageSurface.CreateFromPicture(page);
}

const Bitmap& PageOutput::EncodedPage() const { return *mEncoded; }

int PageOutput::JpegQuality() const
{
    const double quality = mSettings.Number(Control::txtQA);
    return quality >= 0 && quality <= 10 ? static_cast<int>(RoundHalfEven(quality)) : 5;
}

Result<void> PageOutput::WritePage(const std::string& pagePath, Position position)
{
    if (mSettings.Number(Control::txtFromPg) > mState.FileNumber)
        return {};
    if (mDryRun) {
        ++mState.PagesWritten;
        return {};
    }

    const Bitmap* page = &mSettings.Canvas().Image();
    if (mSettings.RotateOn()) {
        std::shared_ptr<const Bitmap> handle(std::shared_ptr<const Bitmap>{}, page);
        std::string noFile;
        RotateBMP90Degr::OpenBitmap(handle, noFile);
        // Pic2 is made once and turned into for every page while its size stays.
        if (!mTurned || mTurned->Width() != mSettings.Pic2Width() || mTurned->Height() != mSettings.Pic2Height())
            mTurned = Bitmap::Make(mSettings.Pic2Width(), mSettings.Pic2Height(), 24);
        int angle = 90;
        RotateBMP90Degr::RotatePicture(*page, mTurned, angle);
        page = &*mTurned;
    }

    // The working bitmaps show the latest page written: "TempBMP.bmp" as drawn, the converter's bitmap in black
    // and white when the page is. They are written when the run stops or ends, so a page is kept until then: an
    // unturned page stays on the canvas, which hands it over before it next changes (at the next page's clear),
    // and a turned page is a copy of its own already. A run's last page is not kept: its working bitmaps are
    // written with it, before the canvas is cleared. The black-and-white path maps a copy of the page, the page
    // surface, onto the two colours of the converter's one-bit bitmap, so that bitmap and the JPEG come from the
    // same pixels; a page drawn in black and white only (one-bit glyphs on the black or the white scheme) maps
    // onto itself and is encoded as it is. Every picture keeps its memory from page to page.
    const bool last = position == Position::Last;
    mSettings.Canvas().KeepBeforeChange(nullptr);
    if (!last && !mSettings.RotateOn()) {
        mSettings.Canvas().KeepBeforeChange(&mLastPage);
    } else if (!last) {
        if (mLastPage && mLastPage->Width() == page->Width() && mLastPage->Height() == page->Height())
            std::swap(mLastPage, mTurned);
        else
            mLastPage = *page;
        page = &*mLastPage;
    }
    mPureBW = mSettings.On(Control::chkPureBW);
    const RgbQuad black = cDIBSectionSave::kBlackAndWhite[0], white = cDIBSectionSave::kBlackAndWhite[1];
    mEncoded = page;
    if (mPureBW && !mSettings.Canvas().HoldsOnly(black, white)) {
        LoadSurface(*page);
        MapToTwoColours(*PageSurface.hdc(), black, white);
        mEncoded = PageSurface.hdc();
    }
    mTempPath = mSettings.OutputPath() + "TempBMP.bmp";
    mBwPath = mSettings.OutputPath() + RootPiece(mSettings.FileRoot(), mNameMax) + "BW.bmp";
    mWorkingBitmapsPending = !last;

    const bool png = pagePath.ends_with(".png");
    const char* format = png ? "PNG" : "JPEG";
    const auto encoded = png ? EncodePng(EncodedPage(), mPureBW ? PngPixels::BlackAndWhite : PngPixels::Colour)
                             : EncodeJpeg(EncodedPage(), JpegQuality());
    const std::string what = std::string(format) + " file '" + pagePath + "'";
    const auto written = encoded ? StorePage(pagePath, *encoded, format)
                                 : Result<void>(Error{"Cannot encode the " + what + ": " + encoded.Failure().message, 0});
    if (last)
        mLastPageBitmaps = SaveWorkingBitmaps(*page);
    if (!written)
        return written;
    ++mState.PagesWritten;
    if (!mIntoArchive)
        mWritten.push_back(PageKey(pagePath));
    return {};
}

Result<void> PageOutput::StorePage(const std::string& pagePath, std::span<const std::uint8_t> bytes, const char* format)
{
    if (mIntoArchive) {
        if (!mArchive) {
            auto begun = PageArchive::Begin(ArchivePath());
            if (!begun)
                return begun.Failure();
            mArchive.emplace(std::move(*begun));
        }
        const std::string_view name = std::string_view(pagePath).substr(pagePath.rfind('/') + 1);
        auto added = mArchive->Add(name, bytes, mBookmarkPage == mState.FileNumber ? mBookmark : std::string());
        mAllBlackAndWhite = mAllBlackAndWhite && mPureBW;
        return added;
    }
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (auto saved = SaveWholeFile(pagePath, content, SaveFile::Durability::Unsynced, SaveFile::Target::OwnName,
                                   &mPageFolder);
        !saved) {
        const int code = saved.Failure().code;
        return Error{std::string("Cannot write the ") + format + " file '" + pagePath + "': " + SystemMessage(code),
                     code};
    }
    return {};
}

Result<void> PageOutput::WriteWorkingBitmaps()
{
    if (!mWorkingBitmapsPending)
        return std::exchange(mLastPageBitmaps, {});
    mWorkingBitmapsPending = false;
    return SaveWorkingBitmaps(*LastPage());
}

Result<void> PageOutput::SaveWorkingBitmaps(const Bitmap& page)
{
    if (auto saved = SaveBitmap(mTempPath, page); !saved)
        return saved;
    // In black and white the converter's bitmap is the one-bit picture the page copies onto, as cDIBSectionSave
    // makes it: every pixel the nearer of the two colours, as in the page the JPEG encodes.
    if (!mPureBW)
        return SaveBitmap(mBwPath, page);
    auto oneBit = Bitmap::Make(page.Width(), page.Height(), 1);
    if (!oneBit)
        return Error{"cannot write " + mBwPath + ": no memory for its black-and-white picture", ENOMEM};
    std::ranges::copy(cDIBSectionSave::kBlackAndWhite, oneBit->ColourTable().begin());
    BitBlt(*oneBit, 0, 0, page.Width(), page.Height(), page, 0, 0);
    return SaveBitmap(mBwPath, *oneBit);
}
