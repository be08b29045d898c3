#include "cli/Commands.h"

#include "base/Text.h"
#include "base/AppError.h"
#include "base/FileBytes.h"
#include "base/MaskPattern.h"
#include "platform/Paths.h"
#include "settings/MaskTester.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

// Control characters written so that they can be seen, and never reach the terminal raw: the form feed as \f,
// others as \xNN, and the C1 controls (U+0080 to U+009F) as \u00NN.
std::string Visible(const std::string& text)
{
    constexpr const char* kHex = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == '\f') {
            out += "\\f";
        } else if (c < 0x20 || c == 0x7F) {
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out += std::string("\\u00") + kHex[next >> 4] + kHex[next & 15];
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Each message goes out in one write, so that books converted side by side do not mix their lines.
int Usage(const std::string& message)
{
    std::cerr << "leafcast: " + Visible(message) + "\nRun 'leafcast help' for the commands and their options.\n";
    return kExitUsage;
}

std::optional<int> WholeNumber(std::string_view text, int minimum, int maximum)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] < '0' || text[0] > '9' || error != std::errc() || end != text.data() + text.size() ||
        value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

int Failure(const std::string& message)
{
    std::cerr << "leafcast: " + Visible(message) + "\n";
    return kExitFailure;
}

std::string ApplySets(SettingsModel& settings, const std::vector<std::string>& sets)
{
    for (const std::string& assignment : sets) {
        const auto equals = assignment.find('=');
        if (equals == std::string::npos || equals == 0)
            return "--set takes NAME=VALUE, not \"" + assignment + "\"";
        const std::string name = assignment.substr(0, equals), value = assignment.substr(equals + 1);
        if (name == "txtChaptMask" || name == "txtParagrMask")
            if (const std::string error = MaskSyntaxError(FromUtf8(value)); !error.empty())
                return "--set " + assignment + ": syntax error in the mask \"" + value + "\": " + error;
        if (auto error = settings.ApplyEdit(name, value))
            return "--set " + assignment + ": " + *error;
    }
    return {};
}

AppContext Context(const CommonOptions& options)
{
    std::vector<std::string> problems;
    AppContext context = MakeAppContext(options.home.empty() ? DefaultAppFolder() : options.home, problems);
    for (const std::string& problem : problems)
        std::cerr << "leafcast: " + Visible(problem) + "\n";
    return context;
}

ProfileLookup ResolveProfile(const std::string& file, const AppContext& context)
{
    std::error_code ignored;
    std::vector<std::string> tried = {file, context.ProfilesFolder + file};
    if (fs::path(file).extension() != ".cfg")
        tried.push_back(tried.back() + ".cfg");
    for (const std::string& path : tried)
        if (fs::is_regular_file(path, ignored))
            return {path, {}};
    // Something that is there but not a file (a folder, say) is left to the loader to say what it is.
    if (fs::exists(file, ignored))
        return {file, {}};
    std::string looked;
    for (std::size_t i = 0; i < tried.size(); ++i)
        looked += (i == 0 ? "" : i + 1 == tried.size() ? " and " : ", ") +
                  (i == 0 ? fs::absolute(file, ignored).lexically_normal().string() : tried[i]);
    return {{}, "there is no profile \"" + file + "\": looked for " + looked};
}

int ProfileSaveCommand(const std::string& name, const CommonOptions& options)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return Usage("a profile name has no folder in it: \"" + name + "\"");
    SettingsModel settings;
    ApplyStartUpDefaults(settings);
    if (const std::string error = ApplySets(settings, options.sets); !error.empty())
        return Usage(error);
    settings.TypeText(Control::txtOutFileName, name);
    const AppContext context = Context(options);
    const ProfileResult saved = SaveProfile(settings, context.ProfilesFolder);
    if (!saved.ok)
        return Failure(saved.error);
    std::printf("Profile saved: %s\n", Visible(saved.path).c_str());
    return 0;
}

int ProfileShowCommand(const std::string& file, const CommonOptions& options)
{
    const ProfileLookup found = ResolveProfile(file, Context(options));
    if (!found.error.empty())
        return Failure(found.error);
    const std::string& path = found.path;
    const auto bytes = ReadWholeFile(path);
    if (!bytes)
        return Failure("cannot read the profile " + path + ": " + SystemMessage(bytes.Failure().code));
    const ParsedProfile parsed = ParseProfile(*bytes);
    if (parsed.records.empty())
        return Failure(path + " holds no profile records");

    std::printf("%s\n", Visible(path).c_str());
    std::vector<std::string> phrases;
    for (const ProfileRecord& record : parsed.records) {
        const std::string& name = record.fields[0].text;
        const ProfileField& value = record.fields[1];
        const int index = std::atoi(record.fields[3].text.c_str());
        if (!FindControl(name, index) && name.rfind("SkipW", 0) == 0) {
            phrases.push_back(value.text);
            continue;
        }
        const std::string key = index >= 0 ? name + "(" + std::to_string(index) + ")" : name;
        const std::string shown = value.kind == ProfileField::Kind::String ? "\"" + Visible(value.text) + "\""
                                  : value.kind == ProfileField::Kind::Boolean ? (value.text == "TRUE" ? "selected" : "not selected")
                                                                               : value.text;
        const bool enabled = record.fields[2].text == "TRUE";
        std::printf("  %-16s %s%s\n", Visible(key).c_str(), shown.c_str(), enabled ? "" : "  (disabled)");
    }
    std::printf("Marked phrases:\n");
    for (std::size_t i = 0; i < phrases.size(); ++i)
        std::printf("  %zu. \"%s\"\n", i + 1, Visible(phrases[i]).c_str());
    for (const std::string& problem : parsed.problems)
        std::cerr << "leafcast: " << Visible(path + ", " + problem) << " (skipped)\n";
    return 0;
}

int MaskCommand(const std::string& mask, const std::string& text)
{
    if (const std::string error = MaskSyntaxError(FromUtf8(mask)); !error.empty())
        return Usage("syntax error in the mask \"" + mask + "\": " + error);
    const MaskTestResult result = TestMask(mask, text);
    if (!result.error.empty()) {
        std::printf("%s\n", result.error.c_str());
        return kExitUsage;
    }
    std::printf("%s\n", result.label.c_str());
    return result.matched ? 0 : 1;
}
