#include "base/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t most)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SystemError("cannot read " + path, errno);
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return SystemError("cannot read " + path, code);
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<std::uint64_t>(n) > most) {
            ::close(fd);
            return SystemError("cannot read " + path, EFBIG);
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}
