#pragma once

#include <optional>
#include <string>
#include <string_view>

// Writes a file the user keeps so that it is either the old file or the complete new one, never a mix: the
// content goes to a temporary file in the same folder, is flushed to the disk, and is renamed over the old one.
// Answers an error naming the file and the reason; the old file is untouched then.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view content);
