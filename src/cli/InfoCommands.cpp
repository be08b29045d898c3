// leafcast settings and leafcast fonts: what can be set, what draws the offered faces, and the families installed.
#include "cli/Commands.h"

#include "platform/FontFamilies.h"
#include "platform/Fonts.h"
#include "settings/Controls.h"
#include "platform/Hyphenator.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

// A caption as the window shows it: "&&" is "&", a single "&" marks the accelerator, a line break a blank.
std::string Shown(const std::string& caption)
{
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] == '&')
            text += '&', ++i;
        else if (caption[i] == '\n')
            text += text.empty() || text.back() == ' ' ? "" : " ";
        else if (caption[i] != '&')
            text += caption[i];
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == ':'))
        text.pop_back();
    return text;
}

std::string Takes(const ControlSpec& control)
{
    switch (control.kind) {
    case ControlKind::Check: return "0 or 1";
    case ControlKind::List: {
        if (control.entries.empty())
            return "a face of `leafcast fonts`, or any family of `leafcast fonts --all`";
        std::string entries;
        for (const std::string& entry : control.entries)
            entries += (entries.empty() ? "" : &entry == &control.entries.back() ? " or " : ", ") + entry;
        return entries;
    }
    case ControlKind::Option: return "";
    case ControlKind::Text: break;
    }
    if (control.name == "txtCodePage")
        return "a code page iconv knows (Windows-1252, CP1250, ISO-8859-2, KOI8-R, ...)";
    if (control.id == Control::txtLanguage) {
        // The languages words can be hyphenated in are those whose dictionaries are installed.
        std::string languages;
        for (const std::string& language : Hyphenator::InstalledLanguages())
            languages += (languages.empty() ? "" : ", ") + language;
        return "the language to hyphenate in, such as en-US, de or fr; empty for the book's own, else English "
               "(installed: " + (languages.empty() ? std::string("none; install a hyphen- package") : languages) + ")";
    }
    if (control.name == "txtChaptMask" || control.name == "txtParagrMask")
        return "a mask: ? any character, * any run, # a digit, [a-z] [!0-9]";
    if (control.id == Control::txtCustWidth || control.id == Control::Text1)
        return std::string("the screen's ") + (control.id == Control::Text1 ? "height" : "width") +
               " in pixels, a whole number from " + std::to_string(kMinCustomSide) + " to " +
               std::to_string(kMaxCustomSide) + ", with optScrRes=3 (set that first); 0 with a preset";
    if (control.numeric)
        return control.maximum > control.minimum ? RangeText(control) : "a number";
    return "text";
}

// The settings --set takes, grouped by the frame that holds them in the window, frames in the order they first
// appear; the option buttons once, by the first of them.
std::vector<const ControlSpec*> ListedSettings()
{
    std::vector<std::string> frames;
    for (const ControlSpec& control : SettingsControls())
        if (std::find(frames.begin(), frames.end(), control.frame) == frames.end())
            frames.push_back(control.frame);
    std::vector<const ControlSpec*> listed;
    for (const std::string& frame : frames)
        for (const ControlSpec& control : SettingsControls())
            if (control.frame == frame && control.name != "txtMsg" &&
                (control.kind != ControlKind::Option || control.index == 0))
                listed.push_back(&control);
    return listed;
}

} // namespace

int SettingsCommand(ListFormat format)
{
    if (format == ListFormat::Names) {
        for (const ControlSpec* control : ListedSettings())
            std::printf("%s\n", control->name.c_str());
        return 0;
    }
    // Defaults as a conversion starts from them: the start-up's font, preset and colours included.
    SettingsModel start;
    ApplyStartUpDefaults(start);
    const std::map<std::string, std::string> labels = {
        {"txtChaptMask", "chapter heading mask"}, {"txtParagrMask", "paragraph heading mask"},
        {"lstFonts", "font face"},                {"txtCustWidth", "custom width"},
        {"Text1", "custom height"},
    };
    const std::map<std::string, std::string> defaults = {
        {"txtInpFile", "the BOOK of leafcast convert"},
        {"txtOutFileName", "the book's name"},
        {"txtJPGOutPath", "a folder named after the root beside the book, or --out"},
    };
    const std::map<std::string, std::string> notes = {
        {"chkCompress", "1 writes the pages into one comic-book archive, ROOT.cbz, instead of a file each"},
        {"lstPageFormat", "JPEG for media players; PNG for e-readers, phones and archives"},
        {"txtQA", "JPEG pages only"},
        {"chkKerning", "1 shapes Latin, Greek and Cyrillic too; other scripts are always shaped"},
        {"txtEditor", "used by the desktop program"},
        {"chkShowZEN", "used by the desktop program"},
    };
    // The custom size boxes take part while Custom is selected, and are disabled otherwise.
    const auto custom = [](const ControlSpec& control) { return control.id == Control::txtCustWidth || control.id == Control::Text1; };

    std::printf("Every setting, by the name --set takes, grouped as in the settings window. A profile keeps them "
                "all.\n");
    std::string shownFrame = "\n";  // no frame's name
    for (const ControlSpec* listed : ListedSettings()) {
        const ControlSpec& control = *listed;
        if (control.frame != shownFrame) {
            shownFrame = control.frame;
            std::printf("\n%s\n", control.frame.empty() ? "Files" : Shown(control.frame).c_str());
        }
        if (control.kind == ControlKind::Option) {
            std::printf("  %-16s screen preset: a number from 0 to 3\n", "optScrRes");
            for (int index = 0; index <= 3; ++index) {
                const ControlSpec* option = FindControl("optScrRes", index);
                std::printf("  %-16s   %d = %s%s%s\n", "", index, Shown(option->caption).c_str(),
                            index == 3 ? ": txtCustWidth x Text1" : "",
                            start.Value(option->id) == "1" ? " (default)" : "");
            }
            continue;
        }
        const auto label = labels.find(control.name);
        const auto fixed = defaults.find(control.name);
        const auto note = notes.find(control.name);
        std::printf("  %-16s %s\n", control.name.c_str(),
                    label != labels.end() ? label->second.c_str() : Shown(control.caption).c_str());
        std::printf("  %-16s   default %s; takes %s%s%s\n", "",
                    fixed != defaults.end() ? fixed->second.c_str() : ("\"" + start.Value(control.id) + "\"").c_str(),
                    Takes(control).c_str(),
                    control.enabledAtStart || custom(control) ? "" : "; disabled until a profile enables it",
                    note != notes.end() ? ("; " + note->second).c_str() : "");
    }
    std::printf("\nExample: leafcast convert book.txt --set optScrRes=1 --set lstFonts=Verdana --set txtFontSize=10\n");
    return 0;
}

namespace {

// Every installed family with the scripts it covers, one a line, the scripts in a column of their own.
int InstalledFontsCommand()
{
    const std::vector<FamilyScripts> families = InstalledFamilyScripts();
    std::string scripts;
    for (const ScriptSample& script : ScriptSamples())
        scripts += (scripts.empty() ? "" : &script == &ScriptSamples().back() ? " and " : ", ") +
                   std::string(script.name);
    std::printf("The font families installed on this system: lstFonts takes any of them, as well as the offered faces "
                "of leafcast fonts.\nBeside each, the scripts it covers of %s.\n", scripts.c_str());
    if (families.empty()) {
        std::printf("  (fontconfig finds none)\n");
        return 0;
    }
    // Names longer than the column push their line's scripts on, two blanks after them.
    constexpr std::size_t kWidest = 28;
    std::size_t width = 0;
    for (const FamilyScripts& family : families)
        width = std::max(width, std::min(family.family.size(), kWidest));
    for (const FamilyScripts& family : families) {
        std::string covered;
        for (std::string_view script : family.scripts)
            covered += (covered.empty() ? "" : ", ") + std::string(script);
        std::printf("  %-*s  %s\n", static_cast<int>(width), Visible(family.family).c_str(),
                    covered.empty() ? "none of these scripts" : covered.c_str());
    }
    return 0;
}

} // namespace

int FontsCommand(FontChoice choice, ListFormat format)
{
    if (choice == FontChoice::Installed && format == ListFormat::Names) {
        for (const std::string& family : InstalledFamilies())
            std::printf("%s\n", Visible(family).c_str());
        return 0;
    }
    if (choice == FontChoice::Installed)
        return InstalledFontsCommand();
    if (format == ListFormat::Names) {
        for (const std::string& face : OfferedFaces())
            std::printf("%s\n", face.c_str());
        return 0;
    }
    std::printf("The faces the font list offers (lstFonts), and what draws each on this system:\n");
    for (const std::string& face : OfferedFaces()) {
        const FontLibrary::FaceSource source = FontLibrary::Instance().Describe(face);
        std::printf("  %-16s %s%s\n  %-16s   %s\n", face.c_str(),
                    source.standIn ? ("not installed; drawn with " + source.family).c_str() : source.family.c_str(),
                    source.standIn ? " as a stand-in" : "", "", source.file.c_str());
    }
    return 0;
}
