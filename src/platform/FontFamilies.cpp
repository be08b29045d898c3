#include "platform/FontFamilies.h"

#include <algorithm>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <initializer_list>
#include <map>
#include <memory>

namespace {

// Wine's Tahoma lives outside the folders fontconfig searches; FontLibrary adds this folder, and so do we, so that
// what is listed here is what it draws.
constexpr const char* kWineFontFolder = "/usr/share/wine/fonts";

constexpr ScriptSample kScripts[] = {
    {"Latin", U"Aze\u00E9"},
    {"Greek", U"\u03A9\u03B1\u03BB"},
    {"Cyrillic", U"\u0416\u0434\u044F"},
    {"Hebrew", U"\u05D0\u05E9\u05EA"},
    {"Arabic", U"\u0627\u0628\u0639"},
    {"Devanagari", U"\u0915\u0939\u093F"},
    {"Bengali", U"\u0995\u09B9\u09BE"},
    {"Tamil", U"\u0B95\u0BB4\u0BCD"},
    {"Thai", U"\u0E01\u0E2E\u0E32"},
    {"Georgian", U"\u10D0\u10D1\u10F0"},
    {"Armenian", U"\u0531\u0561\u0586"},
    {"Han", U"\u4E2D\u6587\u5B57"},
    {"Kana", U"\u3042\u30A2\u30F3"},
    {"Hangul", U"\uAC00\uAE00\uD55C"},
    {"Ethiopic", U"\u1200\u1208\u12A0"},
};

using PatternPtr = std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)>;
using ObjectSetPtr = std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)>;
using FontSetPtr = std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)>;

const FcChar8* Fc(const std::string& text) { return reinterpret_cast<const FcChar8*>(text.c_str()); }

// The system's configuration with Wine's folder, loaded at the first question and kept until the process ends.
FcConfig* SystemFonts()
{
    static const std::unique_ptr<FcConfig, decltype(&FcConfigDestroy)> config(
        [] {
            FcConfig* loaded = FcInitLoadConfigAndFonts();
            if (loaded)
                FcConfigAppFontAddDir(loaded, reinterpret_cast<const FcChar8*>(kWineFontFolder));
            return loaded;
        }(),
        FcConfigDestroy);
    return config.get();
}

// The scalable faces, only those answering to family when one is given, each with the objects named. fontconfig
// matches the family against every name of a face, ignoring case and blanks; callers compare again.
FontSetPtr ListFaces(const std::string* family, std::initializer_list<const char*> objects)
{
    FontSetPtr none(nullptr, FcFontSetDestroy);
    FcConfig* config = SystemFonts();
    if (!config)
        return none;
    PatternPtr pattern(FcPatternCreate(), FcPatternDestroy);
    ObjectSetPtr wanted(FcObjectSetCreate(), FcObjectSetDestroy);
    if (!pattern || !wanted)
        return none;
    if (family)
        FcPatternAddString(pattern.get(), FC_FAMILY, Fc(*family));
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    for (const char* object : objects)
        FcObjectSetAdd(wanted.get(), object);
    return FontSetPtr(FcFontList(config, pattern.get(), wanted.get()), FcFontSetDestroy);
}

std::span<FcPattern*> Faces(const FontSetPtr& set)
{
    return set ? std::span<FcPattern*>(set->fonts, static_cast<std::size_t>(set->nfont)) : std::span<FcPattern*>();
}

// The face's first family name, the one it is listed under; empty when it has none.
std::string FamilyOf(FcPattern* face)
{
    FcChar8* family = nullptr;
    return FcPatternGetString(face, FC_FAMILY, 0, &family) == FcResultMatch ? reinterpret_cast<const char*>(family)
                                                                             : std::string();
}

// Case as fontconfig folds it, which knows more letters than ASCII's.
bool SameIgnoringCase(const std::string& a, const std::string& b) { return FcStrCmpIgnoreCase(Fc(a), Fc(b)) == 0; }

bool SortsBefore(const std::string& a, const std::string& b)
{
    const int folded = FcStrCmpIgnoreCase(Fc(a), Fc(b));
    return folded != 0 ? folded < 0 : a < b;
}

// The name as fontconfig can be asked for it: no NUL inside, which would cut it short.
std::optional<std::string> Askable(std::string_view name)
{
    if (name.empty() || name.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(name);
}

// How far a face is from its family's regular one: slant first, then width, then weight. A value fontconfig gives
// as a range (a variable font) counts as the regular one.
int DistanceFromRegular(FcPattern* face)
{
    int slant = FC_SLANT_ROMAN, width = FC_WIDTH_NORMAL, weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(face, FC_SLANT, 0, &slant);
    FcPatternGetInteger(face, FC_WIDTH, 0, &width);
    FcPatternGetInteger(face, FC_WEIGHT, 0, &weight);
    return (slant != FC_SLANT_ROMAN ? 1'000'000 : 0) + std::abs(width - FC_WIDTH_NORMAL) * 1'000 +
           std::abs(weight - FC_WEIGHT_REGULAR);
}

std::vector<std::string_view> ScriptsOf(FcPattern* face)
{
    std::vector<std::string_view> scripts;
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(face, FC_CHARSET, 0, &charset) != FcResultMatch)
        return scripts;
    for (const ScriptSample& script : kScripts)
        if (std::all_of(script.letters.begin(), script.letters.end(),
                        [&](char32_t letter) { return FcCharSetHasChar(charset, letter); }))
            scripts.push_back(script.name);
    return scripts;
}

// The families of the faces listed, the only one spelt family when it is given, each with its regular face's
// scripts, sorted.
std::vector<FamilyScripts> Coverage(const std::string* family)
{
    const FontSetPtr faces = ListFaces(family, {FC_FAMILY, FC_SLANT, FC_WIDTH, FC_WEIGHT, FC_CHARSET});
    std::map<std::string, FcPattern*> regular;
    for (FcPattern* face : Faces(faces)) {
        const std::string name = FamilyOf(face);
        if (name.empty() || (family && !SameIgnoringCase(name, *family)))
            continue;
        FcPattern*& kept = regular[name];
        if (!kept || DistanceFromRegular(face) < DistanceFromRegular(kept))
            kept = face;
    }
    std::vector<FamilyScripts> families;
    for (const auto& [name, face] : regular)
        families.push_back({name, ScriptsOf(face)});
    std::sort(families.begin(), families.end(),
              [](const FamilyScripts& a, const FamilyScripts& b) { return SortsBefore(a.family, b.family); });
    return families;
}

} // namespace

std::optional<std::string> InstalledFamily(std::string_view name)
{
    const std::optional<std::string> asked = Askable(name);
    if (!asked)
        return std::nullopt;
    const FontSetPtr faces = ListFaces(&*asked, {FC_FAMILY});
    for (FcPattern* face : Faces(faces))
        if (const std::string family = FamilyOf(face); !family.empty() && SameIgnoringCase(family, *asked))
            return family;
    return std::nullopt;
}

std::vector<std::string> InstalledFamilies()
{
    const FontSetPtr faces = ListFaces(nullptr, {FC_FAMILY});
    std::vector<std::string> families;
    for (FcPattern* face : Faces(faces))
        if (std::string family = FamilyOf(face); !family.empty())
            families.push_back(std::move(family));
    std::sort(families.begin(), families.end(), SortsBefore);
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
}

std::vector<std::string> FontListEntries(const std::vector<std::string>& offered,
                                         const std::vector<std::string>& installed)
{
    std::vector<std::string> entries = offered;
    for (const std::string& family : installed)
        if (std::none_of(offered.begin(), offered.end(),
                         [&](const std::string& face) { return SameIgnoringCase(face, family); }))
            entries.push_back(family);
    return entries;
}

std::span<const ScriptSample> ScriptSamples() { return kScripts; }

std::vector<FamilyScripts> InstalledFamilyScripts() { return Coverage(nullptr); }

std::optional<std::vector<std::string_view>> ScriptsCovered(std::string_view family)
{
    const std::optional<std::string> asked = Askable(family);
    if (!asked)
        return std::nullopt;
    std::vector<FamilyScripts> found = Coverage(&*asked);
    if (found.empty())
        return std::nullopt;
    return std::move(found.front().scripts);
}
