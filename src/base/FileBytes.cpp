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

int WriteFully(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset)
{
    while (!bytes.empty()) {
        const ssize_t n = offset < 0 ? ::write(fd, bytes.data(), bytes.size())
                                     : ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        if (offset >= 0)
            offset += n;
    }
    return 0;
}

std::int64_t ReadAt(int fd, std::span<std::uint8_t> bytes, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -errno;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}
