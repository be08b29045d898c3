#pragma once

#include <optional>
#include <string>

// The whole content of a file, or nothing with errno's value in errorCode (a folder answers EISDIR).
std::optional<std::string> ReadWholeFile(const std::string& path, int& errorCode);
