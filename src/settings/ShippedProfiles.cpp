#include "settings/ShippedProfiles.h"

#include "base/FileBytes.h"
#include "base/SaveFile.h"
#include "platform/Paths.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <filesystem>
#include <map>
#include <utility>

namespace {

constexpr const char* kEbook = "ebook";

// The chapter mask takes "Chapter" in either case, a blank, and an Arabic or Roman number.
const std::vector<std::pair<std::string, std::string>> kEbookSettings = {
    {"chkBookParas", "1"},
    {"chkFrontBack", "1"},
    {"chkDiffFold", "0"},
    {"chkParagr", "0"},
    {"txtChaptMask", "[Cc][Hh][Aa][Pp][Tt][Ee][Rr] [0-9IVXLCDM]*"},
    {"chkHyphenate", "1"},
    {"chkJustify", "1"},
    {"chkWidows", "1"},
    {"chkTypoPunct", "1"},
    {"chkKerning", "1"},
};

} // namespace

std::string EbookProfileText()
{
    SettingsModel settings;
    ApplyStartUpDefaults(settings);
    for (const auto& [key, value] : kEbookSettings)
        settings.ApplyEdit(key, value);
    // Nothing that belongs to one book or one session: the book, its folder and root stay as the user has them.
    return ProfileText(settings, std::string(kEbook) + ".cfg", {"txtMsg", "txtInpFile", "txtJPGOutPath", "txtOutFileName", "txtCodePage"});
}

namespace {

// Each record's control (name and index) and value.
std::map<std::string, std::string> Records(std::string_view text)
{
    std::map<std::string, std::string> records;
    for (const ProfileRecord& record : ParseProfile(text).records)
        if (record.fields.size() >= 4)
            records[record.fields[0].text + "(" + record.fields[3].text + ")"] = record.fields[1].text;
    return records;
}

// A copy an earlier version of Leafcast put in place: every record it has holds the value the profile has now, and
// the profile has gained records since. One the user changed differs somewhere, and is theirs.
bool IsEarlierCopy(std::string_view existing, std::string_view current)
{
    const auto old = Records(existing), now = Records(current);
    if (old.empty() || old.size() >= now.size())
        return false;
    for (const auto& [key, value] : old) {
        const auto found = now.find(key);
        if (found == now.end() || found->second != value)
            return false;
    }
    return true;
}

} // namespace

void InstallShippedProfiles(const std::string& profilesFolder, std::vector<std::string>& problems)
{
    const std::string path = profilesFolder + kEbook + ".cfg";
    const std::string current = EbookProfileText();
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored)) {
        const auto existing = ReadWholeFile(path);
        if (!existing || *existing == current || !IsEarlierCopy(*existing, current))
            return;
    }
    if (auto saved = SaveWholeFile(path, current); !saved)
        problems.push_back(saved.Failure().message);
}

bool IsShippedProfile(const std::string& path) { return BaseName(path) == kEbook; }
