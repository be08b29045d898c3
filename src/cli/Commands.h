#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class SettingsModel;
struct AppContext;

// The leafcast commands. Each answers the process's exit status: 0 done, 1 failed, 2 a usage error.

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// The most books -j converts at a time: more processes than that only wait for the disk and each other.
constexpr int kMaxJobs = 64;

struct CommonOptions {
    std::vector<std::string> sets;  // NAME=VALUE, applied in order
    std::string home;               // the program's folder, or empty for the default one
};

struct ConvertOptions : CommonOptions {
    std::vector<std::string> books;  // "-" is standard input
    std::string profile;
    std::string out;
    std::string encoding;  // the legacy code page, as --set txtCodePage would set it
    std::string size;      // WxH: the Custom screen size, as --set would choose it
    int jobs = 1;          // books converted at a time
    bool quiet = false;    // nothing but errors
    std::string pageText;  // write the text of every page here
    bool dryRun = false;   // lay the book out without writing any page file
};

// How settings and fonts list what they list: for a reader, or one name a line for scripts (shell completion).
enum class ListFormat { Described, Names };
// Which faces fonts lists: the six the font list offers, or every family installed.
enum class FontChoice { Offered, Installed };

int ConvertCommand(const ConvertOptions& options);
int SettingsCommand(ListFormat format);
int FontsCommand(FontChoice choice, ListFormat format);
int ProfileSaveCommand(const std::string& name, const CommonOptions& options);
int ProfileShowCommand(const std::string& file, const CommonOptions& options);
int MaskCommand(const std::string& mask, const std::string& text);

// Shared by the commands.
// Control characters written so that they can be seen and never reach the terminal raw: the form feed as \f,
// others as \xNN, the C1 controls as \u00NN.
std::string Visible(const std::string& text);
int Usage(const std::string& message);
// The number text spells, when it is a whole number from minimum to maximum written in digits alone.
std::optional<int> WholeNumber(std::string_view text, int minimum, int maximum);
int Failure(const std::string& message);
std::string ApplySets(SettingsModel& settings, const std::vector<std::string>& sets);  // empty when all applied
AppContext Context(const CommonOptions& options);
// A profile named as a path, or by its name in the profile folder (".cfg" may be left out): its path, or a
// message that names every path looked at when none is there.
struct ProfileLookup {
    std::string path;
    std::string error;
};
ProfileLookup ResolveProfile(const std::string& file, const AppContext& context);
