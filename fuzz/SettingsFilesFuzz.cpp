// Profiles and the state file on any bytes; the first byte picks which (odd: the state file). A profile that
// loads gives the same profile text when its saved text is loaded into fresh settings; a state file read,
// written and read again gives the same values.
#include "FuzzSupport.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <fstream>

namespace fs = std::filesystem;

namespace {

void Profile(std::span<const std::uint8_t> bytes)
{
    const std::string path = WriteScratchFile("book.cfg", bytes);
    SettingsModel settings;
    ApplyStartUpDefaults(settings);
    const ProfileResult loaded = LoadProfile(settings, path);
    if (!loaded.ok)
        return;
    const std::string text = ProfileText(settings, "book.cfg");
    // The same path again: the status line names it.
    WriteScratchFile("book.cfg", {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    SettingsModel again;
    ApplyStartUpDefaults(again);
    const ProfileResult reloaded = LoadProfile(again, path);
    FUZZ_CHECK(reloaded.ok, reloaded.error);
    FUZZ_CHECK(reloaded.skipped.empty(), "a saved profile has records that do not load: " + reloaded.skipped.front());
    FUZZ_CHECK(ProfileText(again, "book.cfg") == text, "the profile changed on being saved and loaded again");
}

void State(std::span<const std::uint8_t> bytes)
{
    const fs::path folder = ScratchFolder() / "app";
    fs::create_directories(folder);
    WriteScratchFile("app/Leafcast.ini", bytes);
    const StateFile state = ReadStateFile(folder.string());
    for (const std::string* value : {&state.profileName, &state.deviceFolder})
        FUZZ_CHECK(value->find_first_of("\r\n") == std::string::npos, "a line break inside a value");
    const auto written = WriteStateFile(folder.string(), state);
    FUZZ_CHECK(written, written.Failure().message);
    const StateFile reread = ReadStateFile(folder.string());
    FUZZ_CHECK(reread.profileName == state.profileName, "the profile name changed");
    FUZZ_CHECK(reread.deviceFolder == state.deviceFolder, "the device folder changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] % 2 == 1)
        State({data + 1, size - 1});
    else
        Profile({data + 1, size - 1});
    return 0;
}
