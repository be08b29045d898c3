#pragma once

#include "base/Result.h"

#include <cstdint>
#include <limits>
#include <string>

// The whole content of a file; a folder is an error (EISDIR), and so is a file of more than most bytes (EFBIG),
// found out as it is read.
Result<std::string> ReadWholeFile(const std::string& path,
                                  std::uint64_t most = std::numeric_limits<std::uint64_t>::max());
