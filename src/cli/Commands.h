#pragma once

#include <string>
#include <vector>

// The leafcast commands. Each answers the process's exit status: 0 done, 1 failed, 2 a usage error.

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct CommonOptions {
    std::vector<std::string> sets;  // NAME=VALUE, applied in order
    std::string home;               // the program's folder, or empty for the default one
};

struct ConvertOptions : CommonOptions {
    std::string book;
    std::string profile;
    std::string out;
    std::string pageText;  // write the text of every page here
    bool dryRun = false;   // lay the book out without writing any page file
};

int ConvertCommand(const ConvertOptions& options);
int ProfileSaveCommand(const std::string& name, const CommonOptions& options);
int ProfileShowCommand(const std::string& file, const CommonOptions& options);
int MaskCommand(const std::string& mask, const std::string& text);
