#pragma once

#include "base/Result.h"

#include <string>

// An advisory lock that one process holds on a name, by holding a lock file open: the system lets go of it when
// the process ends, however it ends. A run holds one for its file root in its output folder, so that a second
// run of the same root there stops instead of mixing its pages with the first's.
class NameLock {
public:
    // Takes the lock at path without waiting, making the file if it is missing. Fails with code EWOULDBLOCK when
    // another process holds it; any other failure (a folder that takes no file) carries the system's reason.
    static Result<NameLock> Take(const std::string& path);

    NameLock(NameLock&& other) noexcept;
    NameLock& operator=(NameLock&& other) noexcept;
    NameLock(const NameLock&) = delete;
    NameLock& operator=(const NameLock&) = delete;
    // Removes the lock file and lets go.
    ~NameLock();

private:
    NameLock() = default;
    void Release();
    int mFd = -1;
    std::string mPath;
};
