#pragma once

#include <stdexcept>
#include <string>

// The error the imaging classes raise: a number in the old runtime's numbering (9 subscript out of range,
// 17 cannot create the file, 481 invalid picture, ...), the source that raised it and a description.
class AppError : public std::runtime_error {
public:
    AppError(int number, std::string source, std::string description);

    int Number() const { return mNumber; }
    const std::string& Source() const { return mSource; }
    const std::string& Description() const { return mDescription; }

private:
    int mNumber;
    std::string mSource;
    std::string mDescription;
};

namespace ErrorNumber {
constexpr int kInvalidCall = 5;
constexpr int kOverflow = 6;
constexpr int kSubscriptOutOfRange = 9;
constexpr int kTypeMismatch = 13;
constexpr int kCannotCreateFile = 17;
constexpr int kFileNotFound = 53;
constexpr int kPathFileAccess = 75;
constexpr int kObjectNotSet = 91;
constexpr int kInvalidPicture = 481;
} // namespace ErrorNumber

// The executable's name, which prefixes every error source ("leafcast.cDIBSection256").
// Front ends set it from argv[0]; it defaults to "leafcast".
const std::string& ExecutableName();
void SetExecutableName(std::string name);

// The system's message text for an errno value.
std::string SystemMessage(int errorCode);
