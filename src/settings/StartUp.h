#pragma once

#include "base/Result.h"

#include <string>
#include <vector>

class SettingsModel;

// Where the program keeps its files: the profile folder, the book folder and the state file.
struct AppContext {
    std::string AppFolder;       // ends without "/"
    std::string ProfilesFolder;  // AppFolder + "/Profiles/"
    std::string ProfilePath;     // the profile in use; empty when none was found at start-up
    std::string DeviceFolder;    // the player's folder, remembered in the state file
};

// The file that makes a copy of the program portable: with it beside the executable, the program keeps its
// profiles, books and state file in the executable's own folder.
constexpr const char* kPortableMarker = "leafcast.portable";

// The program's folder: the executable's folder when the portable marker stands there, otherwise
// $XDG_DATA_HOME/leafcast, or ~/.local/share/leafcast when XDG_DATA_HOME is unset or not absolute.
std::string AppFolderFor(const std::string& executableFolder, const char* dataHome, const char* home);
std::string DefaultAppFolder();

// The folders beside the program, with the shipped profiles put in place; problems creating them are reported
// once each.
AppContext MakeAppContext(const std::string& appFolder, std::vector<std::string>& problems);

// The state file: the profile to load at the next start, and the device folder.
struct StateFile {
    std::string profileName = "Usb Complete.cfg";
    std::string deviceFolder;
};
StateFile ReadStateFile(const std::string& appFolder);
Result<void> WriteStateFile(const std::string& appFolder, const StateFile& state);

// The settings as the start-up leaves them when no profile is remembered: the font list filled and its
// last-but-one face chosen, the default marked phrases, the first screen preset, white on black.
void ApplyStartUpDefaults(SettingsModel& settings);

struct StartUpResult {
    std::vector<std::string> problems;  // folders or a remembered profile that could not be used
    std::string profileLabel;           // "Profile: " and the profile loaded, for the main window
};

// The main window's start-up, in order: folders, state file, font list, the remembered profile (loaded without
// a dialog), the default phrases, the first preset, a turned canvas when chkRotate is set, white on black.
StartUpResult StartUp(SettingsModel& settings, AppContext& context);

// The main window's shut-down: the state file remembers the profile of the current root and the device folder.
Result<void> ShutDown(const SettingsModel& settings, const AppContext& context);
