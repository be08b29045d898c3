#include "platform/AtomicFile.h"

#include "imaging/AppError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view content)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + (folder.back() == '/' ? "" : "/") + "." + name + ".XXXXXX";

    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return "cannot write " + path + ": " + SystemMessage(errno);
    auto fail = [&](int error) -> std::optional<std::string> {
        ::close(fd);
        ::unlink(temp.c_str());
        return "cannot write " + path + ": " + SystemMessage(error);
    };
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return "cannot write " + path + ": " + SystemMessage(error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return "cannot write " + path + ": " + SystemMessage(error);
    }
    return std::nullopt;
}
