#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The font families installed on this system, for the font list beyond its offered faces. They are what
// fontconfig's own configuration finds, with the folder of Wine's fonts that FontLibrary adds, scalable faces only
// (pages are drawn at any size). A family goes by the first family name of its faces, as fontconfig spells it:
// the name FontLibrary draws as itself ("DejaVu Sans", not the "DejaVu Sans Condensed" its condensed faces also
// answer to). Nothing is read before the first question, which loads the configuration (a few milliseconds) once
// for the process; a configuration fontconfig cannot load holds no family.

// The installed family spelt name in any case, as fontconfig spells it; nothing when no face of it is installed.
std::optional<std::string> InstalledFamily(std::string_view name);

// Every installed family, once each, sorted without regard to case.
std::vector<std::string> InstalledFamilies();

// The font list's entries: the offered faces in their order, then the installed families not among them.
std::vector<std::string> FontListEntries(const std::vector<std::string>& offered,
                                         const std::vector<std::string>& installed);

// A script the family listing tells, and a few of its letters. A family covers the script when its regular face
// (upright, normal width, the weight nearest regular) holds every one of them.
struct ScriptSample {
    std::string_view name;
    std::u32string_view letters;
};
std::span<const ScriptSample> ScriptSamples();

struct FamilyScripts {
    std::string family;
    std::vector<std::string_view> scripts;  // names from ScriptSamples, in its order
};

// Every installed family with the scripts it covers, in the order of InstalledFamilies.
std::vector<FamilyScripts> InstalledFamilyScripts();

// The scripts the installed family named covers (matched as InstalledFamily matches); nothing when it is not
// installed.
std::optional<std::vector<std::string_view>> ScriptsCovered(std::string_view family);
