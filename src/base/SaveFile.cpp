#include "base/SaveFile.h"

#include "base/FileBytes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

Error Failed(const std::string& path, int code) { return SystemError("cannot write " + path, code); }

// The process number, asked for once per process rather than once per file; a child made by fork asks again.
pid_t ProcessNumber()
{
    static pid_t number = [] {
        ::pthread_atfork(nullptr, nullptr, [] { number = ::getpid(); });
        return ::getpid();
    }();
    return number;
}

} // namespace

Result<SaveFile> SaveFile::Open(const std::string& path, Durability durability, Target target, SaveFolder* folder)
{
    SaveFile file;
    file.mPath = path;
    file.mDurability = durability;

    struct stat info {};
    if (target == Target::LookFirst && ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        if (S_ISDIR(info.st_mode))
            return Failed(path, EISDIR);
        file.mFd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (file.mFd < 0)
            return Failed(path, errno);
        return file;
    }

    // The process and a counter make the name unique among threads and processes without a random search; a
    // name left over by a process of the same number that died is stepped over.
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // Kept well below the 255 bytes a name may have.
    const std::string stem = "." + path.substr(nameStart, 200) + "." + std::to_string(ProcessNumber()) + ".";
    const auto create = [&](int from, const std::string& prefix) {
        file.mFolder = from;
        for (int attempt = 0; attempt < 100; ++attempt) {
            file.mTemporary = prefix + std::to_string(counter++) + ".tmp";
            file.mFd = ::openat(from, file.mTemporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (file.mFd >= 0 || errno != EEXIST)
                return;
        }
    };
    // In a held folder the names are looked up from it. A held folder that was removed takes no new names: it is
    // let go, and the file goes by its path (into the folder made again, if it was); so does a file whose folder
    // cannot be held.
    bool answered = false;
    if (folder && target == Target::OwnName && nameStart > 0) {
        if (const int held = folder->Hold(std::string_view(path.data(), nameStart)); held >= 0) {
            create(held, stem);
            answered = file.mFd >= 0 || errno != ENOENT;
            if (!answered)
                folder->Close();
        }
    }
    if (!answered)
        create(AT_FDCWD, path.substr(0, nameStart) + stem);
    file.mName = file.mFolder == AT_FDCWD ? path : path.substr(nameStart);
    if (file.mFd < 0) {
        const int code = errno;
        file.mTemporary.clear();
        return Failed(path, code);
    }
    return file;
}

SaveFile::SaveFile(SaveFile&& other) noexcept { *this = std::move(other); }

SaveFile& SaveFile::operator=(SaveFile&& other) noexcept
{
    if (this != &other) {
        Abandon();
        mFd = std::exchange(other.mFd, -1);
        mPath = std::move(other.mPath);
        mFolder = other.mFolder;
        mName = std::move(other.mName);
        mTemporary = std::exchange(other.mTemporary, {});
        mDurability = other.mDurability;
        mWriteError = other.mWriteError;
        mSize = other.mSize;
        mRewritten = other.mRewritten;
    }
    return *this;
}

Result<void> SaveFile::Write(std::span<const std::uint8_t> bytes)
{
    if (mRewritten)
        return WriteAt(mSize, bytes);
    if (mFd < 0)
        return Failed(mPath, EBADF);
    if (mWriteError == 0)
        mWriteError = WriteFully(mFd, bytes);
    if (mWriteError != 0)
        return Failed(mPath, mWriteError);
    mSize += bytes.size();
    return {};
}

Result<void> SaveFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    if (mFd < 0)
        return Failed(mPath, EBADF);
    if (mWriteError == 0)
        mWriteError = WriteFully(mFd, bytes, static_cast<std::int64_t>(offset));
    if (mWriteError != 0)
        return Failed(mPath, mWriteError);
    mSize = std::max<std::uint64_t>(mSize, offset + bytes.size());
    mRewritten = true;  // positioned writes from here on: the file's own position no longer follows mSize
    return {};
}

Result<void> SaveFile::Write(std::string_view text)
{
    return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

Result<void> SaveFile::Truncate(std::uint64_t size)
{
    if (mFd < 0)
        return Failed(mPath, EBADF);
    if (mWriteError == 0 && ::ftruncate(mFd, static_cast<off_t>(size)) != 0)
        mWriteError = errno;
    if (mWriteError != 0)
        return Failed(mPath, mWriteError);
    mSize = size;
    mRewritten = true;
    return {};
}

Result<std::size_t> SaveFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) const
{
    const std::int64_t read = mFd < 0 ? -EBADF : ::ReadAt(mFd, bytes, offset);
    if (read < 0)
        return SystemError("cannot read " + mPath + " back", static_cast<int>(-read));
    return static_cast<std::size_t>(read);
}

Result<void> SaveFile::Commit()
{
    if (mFd < 0)
        return Failed(mPath, EBADF);
    const bool replacing = !mTemporary.empty();
    int error = mWriteError;
    if (error == 0 && replacing && mDurability == Durability::Synced && ::fsync(mFd) != 0)
        error = errno;
    if (::close(std::exchange(mFd, -1)) != 0 && error == 0)
        error = errno;
    if (error == 0 && replacing && ::renameat(mFolder, mTemporary.c_str(), mFolder, mName.c_str()) != 0)
        error = errno;
    if (error != 0 && replacing)
        ::unlinkat(mFolder, mTemporary.c_str(), 0);
    mTemporary.clear();
    if (error != 0)
        return Failed(mPath, error);
    return {};
}

void SaveFile::Abandon()
{
    if (mFd < 0)
        return;
    ::close(std::exchange(mFd, -1));
    if (!mTemporary.empty())
        ::unlinkat(mFolder, mTemporary.c_str(), 0);
    mTemporary.clear();
}

void SaveFolder::Close()
{
    if (mFd >= 0)
        ::close(std::exchange(mFd, -1));
    mPath.clear();
}

int SaveFolder::Hold(std::string_view folder)
{
    if (mFd >= 0 && folder == mPath)
        return mFd;
    Close();
    mPath = folder;
    mFd = ::open(mPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (mFd < 0)
        mPath.clear();
    return mFd;
}

Result<void> SaveWholeFile(const std::string& path, std::string_view content, SaveFile::Durability durability,
                           SaveFile::Target target, SaveFolder* folder)
{
    auto file = SaveFile::Open(path, durability, target, folder);
    if (!file)
        return file.Failure();
    if (auto written = file->Write(content); !written)
        return written;
    return file->Commit();
}
