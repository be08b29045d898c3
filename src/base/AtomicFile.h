#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Writes a file the user keeps so that it is either the old file or the complete new one, never a mix: the
// content goes to a temporary file in the same folder, is flushed to the disk, and is renamed over the old one.
// Answers an error naming the file and the reason; the old file is untouched then.
std::optional<std::string> WriteFileAtomically(const std::string& path, std::string_view content);

// The same for a writer that writes a file by its name: it is handed the temporary file's path and answers an
// error (naming path, not the temporary) or nothing. Only a writer that succeeded has its file renamed into place.
using FileWriter = std::function<std::optional<std::string>(const std::string& temporaryPath)>;
std::optional<std::string> WriteThroughTemporary(const std::string& path, const FileWriter& writer);
