#include "base/AppError.h"

#include <cstring>

AppError::AppError(int number, std::string source, std::string description)
    : std::runtime_error(source + ": " + description + " (error " + std::to_string(number) + ")"),
      mNumber(number), mSource(std::move(source)), mDescription(std::move(description))
{
}

namespace {
std::string& ExecutableNameStorage()
{
    static std::string name = "leafcast";
    return name;
}
} // namespace

const std::string& ExecutableName() { return ExecutableNameStorage(); }

void SetExecutableName(std::string name)
{
    if (!name.empty())
        ExecutableNameStorage() = std::move(name);
}

std::string SystemMessage(int errorCode)
{
    char buffer[256];
    // GNU strerror_r may return a static string instead of filling the buffer.
    const char* text = strerror_r(errorCode, buffer, sizeof buffer);
    return text ? text : "";
}
