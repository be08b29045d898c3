#pragma once

#include "base/Result.h"

#include <cstdint>
#include <limits>
#include <span>
#include <string>

// The whole content of a file; a folder is an error (EISDIR), and so is a file of more than most bytes (EFBIG),
// found out as it is read.
Result<std::string> ReadWholeFile(const std::string& path,
                                  std::uint64_t most = std::numeric_limits<std::uint64_t>::max());

// Writes all of bytes to the open file fd: at offset, or where the file stands when offset is negative. Goes on
// after interruptions and short writes. Answers 0, or the errno value of the failure (ENOSPC for a file that takes
// nothing more).
int WriteFully(int fd, std::span<const std::uint8_t> bytes, std::int64_t offset = -1);

// Reads up to bytes.size() bytes of the open file fd at offset, going on after interruptions. Answers how many
// were read (fewer only at the end of the file), or the negated errno value of the failure.
std::int64_t ReadAt(int fd, std::span<std::uint8_t> bytes, std::uint64_t offset);
