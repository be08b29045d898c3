#include "base/FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

std::optional<std::string> ReadWholeFile(const std::string& path, int& errorCode)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorCode = errno;
        return std::nullopt;
    }
    std::string content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            errorCode = errno;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    errorCode = 0;
    return content;
}
