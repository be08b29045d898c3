#include "settings/ShippedProfiles.h"

#include "base/SaveFile.h"
#include "platform/Paths.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <filesystem>
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

void InstallShippedProfiles(const std::string& profilesFolder, std::vector<std::string>& problems)
{
    const std::string path = profilesFolder + kEbook + ".cfg";
    std::error_code ignored;
    if (std::filesystem::exists(path, ignored))
        return;
    if (auto saved = SaveWholeFile(path, EbookProfileText()); !saved)
        problems.push_back(saved.Failure().message);
}

bool IsShippedProfile(const std::string& path) { return BaseName(path) == kEbook; }
