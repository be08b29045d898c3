#include "settings/Profile.h"

#include "base/Text.h"
#include "base/FileBytes.h"
#include "base/AppError.h"
#include "base/SaveFile.h"
#include "platform/Paths.h"
#include "settings/SettingsModel.h"
#include "settings/ShippedProfiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::string_view kHeader = "\"ControlName\",\"Value\",\"Enabled\",\"Index\"";
constexpr std::string_view kPhrasePrefix = "SkipW";

std::string Quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// Splits one record line into fields; answers false when a quoted field is not closed on the line.
bool SplitFields(std::string_view line, std::vector<ProfileField>& fields)
{
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        ProfileField field;
        if (i < line.size() && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field.text += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                field.text += line[i++];
            }
            if (!closed)
                return false;
            while (i < line.size() && line[i] != ',')
                ++i;
        } else {
            const std::size_t end = std::min(line.find(',', i), line.size());
            std::string token(line.substr(i, end - i));
            while (!token.empty() && token.back() == ' ')
                token.pop_back();
            if (token.size() >= 2 && token.front() == '#' && token.back() == '#') {
                field.kind = ProfileField::Kind::Boolean;
                field.text = token.substr(1, token.size() - 2);
            } else {
                field.kind = ProfileField::Kind::Number;
                field.text = token;
            }
            i = end;
        }
        fields.push_back(std::move(field));
        if (i >= line.size())
            return true;
        ++i;  // the comma
    }
}

bool IsFalse(const ControlSpec& control, const std::string& value)
{
    return control.kind == ControlKind::Option ? value != "1" : value.empty() || value == "0";
}

// Why a record's name and Index find no control: no control goes by the name, or the Index is not the one it
// has (-1 for a single control, the member's number in a control array).
std::string NoSuchControl(const std::string& name, const std::string& index)
{
    std::vector<int> members;
    for (const ControlSpec& control : SettingsControls())
        if (control.name == name)
            members.push_back(control.index);
    if (members.empty())
        return "there is no setting named " + name;
    if (members == std::vector<int>{-1})
        return name + " is a single control: its Index is -1, not " + index;
    std::sort(members.begin(), members.end());
    return name + " has no member " + index +
           (members.size() == 1 ? " (its only member is " + std::to_string(members[0]) + ")"
                                : " (its members are " + std::to_string(members.front()) + " to " +
                                      std::to_string(members.back()) + ")");
}

} // namespace

ParsedProfile ParseProfile(std::string_view bytes)
{
    const std::string text = IsValidUtf8(bytes) ? std::string(bytes) : ToUtf8(FromWindows1252(bytes));
    ParsedProfile parsed;
    int lineNumber = 0;
    for (const std::string_view line : SplitLines(text)) {
        ++lineNumber;
        if (lineNumber == 2)
            parsed.headerFound = line == kHeader;
        if (lineNumber <= 2 || line.empty())
            continue;
        ProfileRecord record{lineNumber, {}};
        if (!SplitFields(line, record.fields))
            parsed.problems.push_back("line " + std::to_string(lineNumber) + ": cut short inside a quoted value");
        else if (record.fields.size() < 4)
            parsed.problems.push_back("line " + std::to_string(lineNumber) + ": " + std::to_string(record.fields.size()) +
                                      " fields instead of 4");
        else
            parsed.records.push_back(std::move(record));
    }
    return parsed;
}

std::string ProfileText(const SettingsModel& settings, const std::string& fileName,
                        const std::vector<std::string>& leaveOut)
{
    std::string text = Quoted(fileName) + "\r\n" + std::string(kHeader) + "\r\n";
    for (const ControlSpec& control : SettingsControls()) {
        const std::string& value = settings.Value(control.name, control.index);
        // A cleared box, an unselected option or a list of fixed entries at its first is left out, as loading
        // resets them first; a text is always kept, since loading leaves texts it does not find as they were (a
        // quality of 0 must not become 5).
        const bool cleared = control.kind == ControlKind::Check || control.kind == ControlKind::Option;
        const bool atFirst = !control.entries.empty() && value == control.entries.front();
        if ((cleared && IsFalse(control, value)) || atFirst ||
            std::find(leaveOut.begin(), leaveOut.end(), control.name) != leaveOut.end())
            continue;
        std::string field;
        switch (control.kind) {
        case ControlKind::Check: field = value; break;
        case ControlKind::Option: field = "#TRUE#"; break;
        default: field = Quoted(value); break;
        }
        text += Quoted(control.name) + "," + field + "," +
                (settings.Enabled(control.name, control.index) ? "#TRUE#" : "#FALSE#") + "," +
                std::to_string(control.index) + "\r\n";
    }
    for (std::size_t i = 1; i < settings.MarkedPhrases().size(); ++i)
        text += Quoted(std::string(kPhrasePrefix) + std::to_string(i)) + "," + Quoted(ToUtf8(settings.MarkedPhrases()[i])) +
                ",#FALSE#,-1\r\n";
    return text;
}

std::string ProfileFileName(const std::string& root)
{
    const bool unsafe = root.empty() || root.front() == '.' || root.find('/') != std::string::npos ||
                        std::any_of(root.begin(), root.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return (unsafe ? SafeNamePiece(root, NameMaxFor("") - 4) : root) + ".cfg";
}

ProfileResult SaveProfile(SettingsModel& settings, const std::string& profilesFolder)
{
    ProfileResult result;
    if (settings.FileRoot().empty()) {
        result.error = "a profile is named after the file root, and there is none: set one first";
        settings.SetText(Control::txtMsg, "Nothing done");
        return result;
    }
    const std::string fileName = ProfileFileName(settings.FileRoot());
    result.path = profilesFolder + fileName;
    if (auto saved = SaveWholeFile(result.path, ProfileText(settings, fileName)); !saved) {
        result.error = saved.Failure().message;
        settings.SetText(Control::txtMsg, "Profile: " + result.path + " NOT saved!");
        return result;
    }
    result.ok = true;
    settings.SetText(Control::txtMsg, "Profile: " + result.path + " saved!");
    return result;
}

ProfileResult LoadProfile(SettingsModel& settings, const std::string& path)
{
    ProfileResult result;
    result.path = path;
    const auto bytes = ReadWholeFile(path);
    if (!bytes) {
        result.error = "cannot read the profile " + path + ": " + SystemMessage(bytes.Failure().code);
        return result;
    }
    const ParsedProfile parsed = ParseProfile(*bytes);
    if (parsed.records.empty()) {
        result.error = path + " holds no profile records" +
                       (parsed.headerFound ? std::string() : std::string(" (it is not a Leafcast profile)")) +
                       "; nothing was changed";
        return result;
    }
    result.skipped = parsed.problems;

    settings.SetMarkedPhrases({U""});
    settings.SetText(Control::txtInpFile, settings.InputPath());
    // A profile names the pages after itself, except one that comes with Leafcast: it serves every book.
    if (!IsShippedProfile(path))
        settings.SetText(Control::txtOutFileName, BaseName(path));
    settings.SetText(Control::txtJPGOutPath, FolderOf(settings.Value(Control::txtInpFile)));

    for (const ControlSpec& control : SettingsControls()) {
        if (!settings.Enabled(control.name, control.index))
            continue;
        if (control.kind == ControlKind::Check)
            settings.SetCheck(control.name, 0);
        else if (control.kind == ControlKind::Option)
            settings.ClearOption(control.index);
        else if (!control.entries.empty())
            settings.SelectEntry(control.id, control.entries.front());
    }

    for (const ProfileRecord& record : parsed.records) {
        const std::string& name = record.fields[0].text;
        const ProfileField& value = record.fields[1];
        const std::string where = "line " + std::to_string(record.line) + ": ";
        const int index = std::atoi(record.fields[3].text.c_str());
        const ControlSpec* control = FindControl(name, index);
        if (!control) {
            if (name.rfind(kPhrasePrefix, 0) == 0)
                settings.AddMarkedPhrase(FromUtf8(value.text));
            else
                result.skipped.push_back(where + NoSuchControl(name, record.fields[3].text));
            continue;
        }
        if (control->kind == ControlKind::Option) {
            if (value.kind != ProfileField::Kind::Boolean || (value.text != "TRUE" && value.text != "FALSE")) {
                result.skipped.push_back(where + ControlKey(*control) + " takes #TRUE# or #FALSE#, not " + value.text);
                continue;
            }
            value.text == "TRUE" ? settings.SelectOption(control->index) : settings.ClearOption(control->index);
        } else if (auto refused = settings.RefusedValue(*control, value.text)) {
            result.skipped.push_back(where + *refused);
            continue;
        } else if (control->kind == ControlKind::Check) {
            settings.SetCheck(control->name, std::atoi(value.text.c_str()));
        } else if (control->kind == ControlKind::List) {
            settings.SelectEntry(control->id, value.text);
        } else {
            settings.SetText(control->name, value.text);
        }
        const ProfileField& enabled = record.fields[2];
        if (enabled.kind == ProfileField::Kind::Boolean)
            settings.SetEnabled(control->name, control->index, enabled.text == "TRUE");
    }

    settings.LeaveText(Control::txtFontSize);
    settings.SetText(Control::txtMsg, "Profile: " + path + " loaded!");
    result.ok = true;
    return result;
}
