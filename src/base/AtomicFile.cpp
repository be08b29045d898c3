#include "base/AtomicFile.h"

#include "base/AppError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A hidden temporary file beside path; fd is -1 (with errno set) when none could be made.
struct Temporary {
    int fd = -1;
    std::string path;
};

Temporary MakeTemporary(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The longest name a folder takes is 255 bytes; ".", the name and ".XXXXXX" must fit in it.
    name.resize(std::min<std::size_t>(name.size(), 200));
    Temporary temporary{-1, folder + (folder.back() == '/' ? "" : "/") + "." + name + ".XXXXXX"};
    temporary.fd = ::mkstemp(temporary.path.data());
    return temporary;
}

std::optional<std::string> Failed(const std::string& path, int error)
{
    return "cannot write " + path + ": " + SystemMessage(error);
}

// Flushes the temporary to the disk, closes it and renames it over path; removes it when any step fails.
std::optional<std::string> Commit(const Temporary& temporary, const std::string& path)
{
    int error = 0;
    if (::fchmod(temporary.fd, 0644) != 0 || ::fsync(temporary.fd) != 0)
        error = errno;
    if (::close(temporary.fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.path.c_str(), path.c_str()) != 0)
        error = errno;
    if (error == 0)
        return std::nullopt;
    ::unlink(temporary.path.c_str());
    return Failed(path, error);
}

void Discard(const Temporary& temporary)
{
    ::close(temporary.fd);
    ::unlink(temporary.path.c_str());
}

} // namespace

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view content)
{
    const Temporary temporary = MakeTemporary(path);
    if (temporary.fd < 0)
        return Failed(path, errno);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(temporary.fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            Discard(temporary);
            return Failed(path, error);
        }
        done += static_cast<std::size_t>(n);
    }
    return Commit(temporary, path);
}

std::optional<std::string> WriteThroughTemporary(const std::string& path, const FileWriter& writer)
{
    const Temporary temporary = MakeTemporary(path);
    if (temporary.fd < 0)
        return Failed(path, errno);
    std::optional<std::string> error;
    try {
        error = writer(temporary.path);
    } catch (...) {
        Discard(temporary);
        throw;
    }
    if (error) {
        Discard(temporary);
        return error;
    }
    return Commit(temporary, path);
}
