#pragma once

#include "base/Result.h"

#include <string>

// The whole content of a file; a folder is an error (EISDIR).
Result<std::string> ReadWholeFile(const std::string& path);
