#include "base/NameLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

Result<NameLock> NameLock::Take(const std::string& path)
{
    // The holder removes the file as it lets go; a file opened just before that is no longer the lock, so a lock
    // taken on it is tried again on the file that stands at path.
    for (int attempt = 0; attempt < 16; ++attempt) {
        NameLock lock;
        lock.mFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (lock.mFd < 0)
            return SystemError("cannot make the lock file " + path, errno);
        if (::flock(lock.mFd, LOCK_EX | LOCK_NB) != 0)
            return Error{path + " is locked by another process", errno == EINTR ? EWOULDBLOCK : errno};
        struct stat held {}, standing {};
        if (::fstat(lock.mFd, &held) == 0 && ::stat(path.c_str(), &standing) == 0 && held.st_ino == standing.st_ino &&
            held.st_dev == standing.st_dev) {
            lock.mPath = path;
            return lock;
        }
    }
    return Error{path + " is locked by another process", EWOULDBLOCK};
}

NameLock::NameLock(NameLock&& other) noexcept { *this = std::move(other); }

NameLock& NameLock::operator=(NameLock&& other) noexcept
{
    if (this != &other) {
        Release();
        mFd = std::exchange(other.mFd, -1);
        mPath = std::move(other.mPath);
    }
    return *this;
}

NameLock::~NameLock() { Release(); }

void NameLock::Release()
{
    if (mFd < 0)
        return;
    if (!mPath.empty())
        ::unlink(mPath.c_str());
    ::close(std::exchange(mFd, -1));
}
