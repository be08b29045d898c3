#include "base/SaveFile.h"

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

Result<SaveFile> SaveFile::Open(const std::string& path, Durability durability, Target target)
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
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    // Kept well below the 255 bytes a name may have.
    const std::string prefix = folder + "." + path.substr(folder.size(), 200) + "." + std::to_string(ProcessNumber()) + ".";
    for (int attempt = 0; attempt < 100 && file.mFd < 0; ++attempt) {
        file.mTemporary = prefix + std::to_string(counter++) + ".tmp";
        file.mFd = ::open(file.mTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file.mFd < 0 && errno != EEXIST)
            break;
    }
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
        mTemporary = std::exchange(other.mTemporary, {});
        mDurability = other.mDurability;
        mWriteError = other.mWriteError;
    }
    return *this;
}

Result<void> SaveFile::Write(std::span<const std::uint8_t> bytes)
{
    if (mFd < 0)
        return Failed(mPath, EBADF);
    while (mWriteError == 0 && !bytes.empty()) {
        const ssize_t n = ::write(mFd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0)
            bytes = bytes.subspan(static_cast<std::size_t>(n));
        else
            mWriteError = n < 0 ? errno : ENOSPC;  // a regular file that takes nothing more is full
    }
    if (mWriteError != 0)
        return Failed(mPath, mWriteError);
    return {};
}

Result<void> SaveFile::Write(std::string_view text)
{
    return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
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
    if (error == 0 && replacing && ::rename(mTemporary.c_str(), mPath.c_str()) != 0)
        error = errno;
    if (error != 0 && replacing)
        ::unlink(mTemporary.c_str());
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
        ::unlink(mTemporary.c_str());
    mTemporary.clear();
}

Result<void> SaveWholeFile(const std::string& path, std::string_view content, SaveFile::Durability durability,
                           SaveFile::Target target)
{
    auto file = SaveFile::Open(path, durability, target);
    if (!file)
        return file.Failure();
    if (auto written = file->Write(content); !written)
        return written;
    return file->Commit();
}
