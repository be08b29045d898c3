#pragma once

#include <string>
#include <string_view>
#include <vector>

class SettingsModel;

// A profile: the values of the settings window's controls and the marked phrases, one comma-separated record
// a line with CR LF line ends. Strings are quoted (a quote inside is doubled), numbers bare, Booleans #TRUE# or
// #FALSE#. Line 1 is the profile's own name, line 2 the header, then control records in window order
// ("ControlName","Value","Enabled","Index") and the phrase records SkipW1, SkipW2, ...

struct ProfileField {
    enum class Kind { String, Number, Boolean };
    Kind kind = Kind::String;
    std::string text;  // the string, the number as written, or TRUE / FALSE
};

struct ProfileRecord {
    int line = 0;  // counted from 1
    std::vector<ProfileField> fields;
};

struct ParsedProfile {
    std::vector<ProfileRecord> records;  // from line 3 on
    std::vector<std::string> problems;   // lines that could not be read, each naming its line
    bool headerFound = false;
};

// Reads the text of a profile: UTF-8, or Windows-1252 as the older program wrote it.
ParsedProfile ParseProfile(std::string_view bytes);

// The profile text of the current settings, for a profile named fileName ("novel.cfg"); the controls named in
// leaveOut get no record.
std::string ProfileText(const SettingsModel& settings, const std::string& fileName,
                        const std::vector<std::string>& leaveOut = {});

struct ProfileResult {
    bool ok = false;
    std::string path;
    std::string error;                 // when not ok: why nothing was loaded or saved
    std::vector<std::string> skipped;  // records a load passed over, each with its line and reason
};

// The file name of the profile of a root: root + ".cfg". A root that would leave the profile folder or hide
// (a separator, a control character, a leading dot) is made a safe name first; any other root, blanks
// included, is kept as it is, so that the profiles users have keep their names.
std::string ProfileFileName(const std::string& root);

// Writes FileRoot + ".cfg" into the profile folder, replacing a profile of that name only once the new one is
// complete. The status line shows the result.
ProfileResult SaveProfile(SettingsModel& settings, const std::string& profilesFolder);

// Applies a profile as the Load profile button does: the file root becomes the profile's name (a shipped profile
// leaves it as it is), the enabled controls are reset, then every record is applied as a user's edit, and the
// phrases replace the list. A file that cannot be read or holds no record at all changes nothing.
ProfileResult LoadProfile(SettingsModel& settings, const std::string& path);
