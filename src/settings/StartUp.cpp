#include "settings/StartUp.h"

#include "base/AppError.h"
#include "base/FileBytes.h"
#include "base/SaveFile.h"
#include "base/Text.h"
#include "platform/Fonts.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/ShippedProfiles.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kStateFile = "/Leafcast.ini";

bool MakeFolder(const std::string& path, std::vector<std::string>& problems)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return true;
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        problems.push_back("cannot create the folder " + path + ": " + error.message());
        return false;
    }
    return true;
}

} // namespace

std::string AppFolderFor(const std::string& executableFolder, const char* dataHome, const char* home)
{
    std::error_code error;
    if (!executableFolder.empty() && std::filesystem::exists(executableFolder + "/" + kPortableMarker, error))
        return executableFolder;
    if (dataHome && *dataHome == '/')
        return std::string(dataHome) + "/leafcast";
    return std::string(home && *home ? home : ".") + "/.local/share/leafcast";
}

std::string DefaultAppFolder()
{
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return AppFolderFor(error ? std::string() : executable.parent_path().string(), std::getenv("XDG_DATA_HOME"),
                        std::getenv("HOME"));
}

AppContext MakeAppContext(const std::string& appFolder, std::vector<std::string>& problems)
{
    AppContext context;
    context.AppFolder = appFolder;
    while (context.AppFolder.size() > 1 && context.AppFolder.back() == '/')
        context.AppFolder.pop_back();
    context.ProfilesFolder = context.AppFolder + "/Profiles/";
    if (MakeFolder(context.AppFolder, problems)) {
        if (MakeFolder(context.ProfilesFolder, problems))
            InstallShippedProfiles(context.ProfilesFolder, problems);
        MakeFolder(context.AppFolder + "/eBooks/", problems);
    }
    return context;
}

StateFile ReadStateFile(const std::string& appFolder)
{
    StateFile state;
    const auto text = ReadWholeFile(appFolder + kStateFile);
    if (!text)
        return state;
    const std::vector<std::string_view> lines = SplitLines(*text);
    state.profileName = lines.size() > 0 ? lines[0] : "";
    state.deviceFolder = lines.size() > 1 ? lines[1] : "";
    return state;
}

Result<void> WriteStateFile(const std::string& appFolder, const StateFile& state)
{
    return SaveWholeFile(appFolder + kStateFile, state.profileName + "\r\n" + state.deviceFolder + "\r\n");
}

void ApplyStartUpDefaults(SettingsModel& settings)
{
    settings.FillFontList(OfferedFaces());
    settings.SelectFont(OfferedFaces()[5]);
    settings.SetMarkedPhrases(DefaultMarkedPhrases());
    settings.SelectOption(0);
    if (settings.On(Control::chkRotate))
        settings.RotatePic();
    settings.SetCheck(Control::chkWB, 1);
}

StartUpResult StartUp(SettingsModel& settings, AppContext& context)
{
    StartUpResult result;
    settings.SetMarkedPhrases({U""});
    const StateFile state = ReadStateFile(context.AppFolder);
    context.DeviceFolder = state.deviceFolder;

    settings.FillFontList(OfferedFaces());
    settings.SelectFont(OfferedFaces()[5]);

    context.ProfilePath.clear();
    const std::string remembered = context.ProfilesFolder + state.profileName;
    struct stat info {};
    if (!state.profileName.empty() && ::stat(remembered.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        const ProfileResult loaded = LoadProfile(settings, remembered);
        if (loaded.ok)
            context.ProfilePath = remembered;
        else
            result.problems.push_back(loaded.error);
        for (const std::string& skipped : loaded.skipped)
            result.problems.push_back(remembered + ", " + skipped);
    }
    result.profileLabel = "Profile: " + context.ProfilePath;

    // Whatever the profile held, a start begins with the default phrases, the first preset and white on black.
    settings.SetMarkedPhrases(DefaultMarkedPhrases());
    settings.SelectOption(0);
    if (settings.On(Control::chkRotate))
        settings.RotatePic();
    settings.SetCheck(Control::chkWB, 1);
    return result;
}

Result<void> ShutDown(const SettingsModel& settings, const AppContext& context)
{
    return WriteStateFile(context.AppFolder, {ProfileFileName(settings.Value(Control::txtOutFileName)), context.DeviceFolder});
}
