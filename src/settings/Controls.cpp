#include "settings/Controls.h"

#include <cstdlib>

namespace {

constexpr const char* kParsing = "Smart Parsing";
constexpr const char* kOther = "Other Options: ";
constexpr const char* kShow = "Show in each Page/Screen";
constexpr const char* kFont = "Screen Font (Central Europe)";
constexpr const char* kScreen = "Screen Dimesions: ";
constexpr double kMaxPage = 9999999;

constexpr const char* kNames[] = {
#define LEAFCAST_CONTROL_NAME(identifier, name, index) name,
    LEAFCAST_CONTROLS(LEAFCAST_CONTROL_NAME)
#undef LEAFCAST_CONTROL_NAME
};
constexpr int kIndexes[] = {
#define LEAFCAST_CONTROL_INDEX(identifier, name, index) index,
    LEAFCAST_CONTROLS(LEAFCAST_CONTROL_INDEX)
#undef LEAFCAST_CONTROL_INDEX
};

ControlSpec Entry(Control id, ControlKind kind, std::string value, std::string caption, const char* frame, bool enabled)
{
    const auto at = static_cast<std::size_t>(id);
    return {id, kNames[at], kIndexes[at], kind, std::move(value), std::move(caption), enabled, frame};
}

ControlSpec Check(Control id, const char* value, std::string caption, const char* frame, bool enabled = true)
{
    return Entry(id, ControlKind::Check, value, std::move(caption), frame, enabled);
}

ControlSpec Text(Control id, std::string value, std::string caption, const char* frame, bool numeric = false,
                 bool enabled = true)
{
    ControlSpec control = Entry(id, ControlKind::Text, std::move(value), std::move(caption), frame, enabled);
    control.numeric = numeric;
    return control;
}

// A numeric text and the range of values it takes.
ControlSpec Ranged(ControlSpec control, double minimum, double maximum, bool whole)
{
    control.minimum = minimum;
    control.maximum = maximum;
    control.whole = whole;
    return control;
}

ControlSpec List(Control id, std::vector<std::string> entries, std::string caption, const char* frame)
{
    ControlSpec control = Entry(id, ControlKind::List, entries.front(), std::move(caption), frame, true);
    control.entries = std::move(entries);
    return control;
}

ControlSpec Option(Control id, bool selected, std::string caption, bool enabled = true)
{
    return Entry(id, ControlKind::Option, selected ? "1" : "0", std::move(caption), kScreen, enabled);
}

} // namespace

const std::vector<ControlSpec>& SettingsControls()
{
    static const std::vector<ControlSpec> controls = {
        Text(Control::txtMsg, "Ready", "", ""),
        Check(Control::chkNoChars, "1", "Skip ASCII < 32", kParsing),
        Text(Control::txtEditor, "explorer", "Use the following editor", kParsing),
        Check(Control::chkSmartLF, "1", "Smart Line Feeds", kParsing),
        Check(Control::chkMultCR, "1", "Remove multiple CRLF's", kParsing),
        Check(Control::chkSkipW, "1", "Skip \"marked\" phrases", kParsing),
        Check(Control::chkCompress, "0", "Zip output files && folders", kOther),
        Ranged(Text(Control::txtFromPg, "0", "Save only pages from", kOther, true), 0, kMaxPage, true),
        Check(Control::chkShowZEN, "0", "Show ZEN Vision:M", kOther),
        Ranged(Text(Control::txtToPg, "0", "to", kOther, true), 0, kMaxPage, true),
        Ranged(Text(Control::txtQA, "5", "JPG File Quality: \n(0 = low, 10 = high)", kOther, true), 0, 10, false),
        Check(Control::chkPureBW, "1", "Save  Black && White", kOther),
        Ranged(Text(Control::txtASCIISep, "12", "New page ASCII code(s) (2 digits: es. 12)", kShow, true), 0, 255, true),
        Text(Control::txtFormat, "00.0", "Format", kShow, false, false),
        Check(Control::chkDiffFold, "1", "Use a different Sub Folder for each Chapter", kShow),
        Check(Control::chkFileNr, "1", "File Nrs", kShow),
        Check(Control::chkDocPageNr, "0", "Document Page Nrs", kShow),
        Check(Control::chkRowNrs, "0", "Row Nrs", kShow),
        Check(Control::chkChapter, "1", "Chapter Nr (Mask)", kShow),
        Text(Control::txtChaptMask, "Chapter*[0-9 ]#.[0-9 ]*", "", kShow),
        Check(Control::chkParagr, "1", "Paragraph Nr (Mask)", kShow),
        Text(Control::txtParagrMask, "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "", kShow),
        Check(Control::chkUseChapInFN, "1", "Add Chapter and Paragr. # in FileNames", kShow),
        Text(Control::txtOutFileName, "File name rooth (es SomeFile => Somefile_00001.jpg)", "FileName rooth", ""),
        Text(Control::txtJPGOutPath, "Write here the JPG Output files path", "Output JPG Folder", ""),
        Text(Control::txtInpFile, "Write here the Input file name (.txt)", "Input txt File", ""),
        Ranged(Text(Control::txtFontSize, "8", "Size: ", kFont, true), kMinPoints, kMaxPoints, false),
        Check(Control::chkBold, "0", "&Bold", kFont),
        Entry(Control::lstFonts, ControlKind::List, "ProggyCleanTT", "", kFont, true),
        Check(Control::chkGreenBkg, "0", "White && Green (eyes saver)", kScreen),
        Ranged(Text(Control::Text1, "0", "", kScreen, true, false), 0, 16384, true),
        Ranged(Text(Control::txtCustWidth, "0", "", kScreen, true, false), 0, 16384, true),
        Option(Control::optScrRes3, false, "Custom"),
        Check(Control::chkRotate, "0", "&Rotate 90\u00B0 CW", kScreen),
        Check(Control::chkSwapDim, "0", "Swa&p dimensions", kScreen),
        Option(Control::optScrRes2, false, "208 x 208 (72 dpi)"),
        Check(Control::chkWB, "0", "&White && Black (battery saver)", kScreen),
        Ranged(Text(Control::txtScrX, "1", "Screen Heigh Multiplier (max 5)", kScreen, true), 1, kMaxMultiplier, false),
        Option(Control::optScrRes1, false, "640 x 480 (216 dpi)"),
        Option(Control::optScrRes0, true, "320 x 240 (160 dpi)"),
        Check(Control::chkBookParas, "0", "Paragraphs as laid out in the book", kParsing),
        Check(Control::chkFrontBack, "0", "Skip front and back matter", kParsing),
        Text(Control::txtCodePage, "Windows-1252", "Code page", ""),
        Check(Control::chkHyphenate, "0", "Hyphenate words", kParsing),
        Check(Control::chkJustify, "0", "Justify rows", kParsing),
        Text(Control::txtLanguage, "", "Language", kParsing),
        Check(Control::chkWidows, "0", "Keep paragraph ends together", kParsing),
        Check(Control::chkTypoPunct, "0", "Book punctuation", kParsing),
        List(Control::lstPageFormat, {"JPEG", "PNG"}, "Page format", kOther),
        Check(Control::chkKerning, "0", "Kerning and ligatures", kFont),
    };
    // The table and the list of controls must agree entry for entry, or every control read would be another.
    static const bool ordered = [] {
        for (std::size_t i = 0; i < controls.size(); ++i)
            if (static_cast<std::size_t>(controls[i].id) != i)
                return false;
        return controls.size() == kControlCount;
    }();
    if (!ordered)
        std::abort();
    return controls;
}

const ControlSpec& TableEntry(Control control) { return SettingsControls()[static_cast<std::size_t>(control)]; }

const ControlSpec* FindControl(std::string_view name, int index)
{
    for (const ControlSpec& control : SettingsControls())
        if (control.name == name && (index == -1 || control.index == index))
            return &control;
    return nullptr;
}

std::string ControlKey(const ControlSpec& control)
{
    return control.index < 0 ? control.name : control.name + "(" + std::to_string(control.index) + ")";
}

std::string RangeNumberText(double value)
{
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::string RangeText(const ControlSpec& control)
{
    return std::string(control.whole ? "a whole number" : "a number") + " from " + RangeNumberText(control.minimum) +
           " to " + RangeNumberText(control.maximum);
}
