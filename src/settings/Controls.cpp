#include "settings/Controls.h"

namespace {

constexpr const char* kParsing = "Smart Parsing";
constexpr const char* kOther = "Other Options: ";
constexpr const char* kShow = "Show in each Page/Screen";
constexpr const char* kFont = "Screen Font (Central Europe)";
constexpr const char* kScreen = "Screen Dimesions: ";
constexpr double kMaxPage = 9999999;

ControlSpec Check(std::string name, const char* value, std::string caption, const char* frame, bool enabled = true)
{
    return {std::move(name), -1, ControlKind::Check, value, std::move(caption), enabled, "", frame};
}

ControlSpec Text(std::string name, std::string value, std::string caption, const char* frame, bool numeric = false,
                 bool enabled = true, std::string tag = "")
{
    return {std::move(name), -1, ControlKind::Text, std::move(value), std::move(caption), enabled, std::move(tag),
            frame, numeric};
}

// A numeric text and the range of values it takes.
ControlSpec Ranged(ControlSpec control, double minimum, double maximum, bool whole)
{
    control.minimum = minimum;
    control.maximum = maximum;
    control.whole = whole;
    return control;
}

ControlSpec Option(int index, bool selected, std::string caption, bool enabled = true)
{
    return {"optScrRes", index, ControlKind::Option, selected ? "1" : "0", std::move(caption), enabled, "", kScreen};
}

} // namespace

const std::vector<ControlSpec>& SettingsControls()
{
    static const std::vector<ControlSpec> controls = {
        Text("txtMsg", "Ready", "", ""),
        Check("chkNoChars", "1", "Skip ASCII < 32", kParsing),
        Text("txtEditor", "explorer", "Use the following editor", kParsing),
        Check("chkSmartLF", "1", "Smart Line Feeds", kParsing),
        Check("chkMultCR", "1", "Remove multiple CRLF's", kParsing),
        Check("chkSkipW", "1", "Skip \"marked\" phrases", kParsing),
        Check("chkCompress", "0", "Zip output files && folders", kOther, false),
        Ranged(Text("txtFromPg", "0", "Save only pages from", kOther, true), 0, kMaxPage, true),
        Check("chkShowZEN", "0", "Show ZEN Vision:M", kOther),
        Ranged(Text("txtToPg", "0", "to", kOther, true), 0, kMaxPage, true),
        Ranged(Text("txtQA", "5", "JPG File Quality: \n(0 = low, 10 = high)", kOther, true), 0, 10, false),
        Check("chkPureBW", "1", "Save  Black && White", kOther),
        Ranged(Text("txtASCIISep", "12", "New page ASCII code(s) (2 digits: es. 12)", kShow, true), 0, 255, true),
        Text("txtFormat", "00.0", "Format", kShow, false, false, "Save"),
        Check("chkDiffFold", "1", "Use a different Sub Folder for each Chapter", kShow),
        Check("chkFileNr", "1", "File Nrs", kShow),
        Check("chkDocPageNr", "0", "Document Page Nrs", kShow),
        Check("chkRowNrs", "0", "Row Nrs", kShow),
        Check("chkChapter", "1", "Chapter Nr (Mask)", kShow),
        Text("txtChaptMask", "Chapter*[0-9 ]#.[0-9 ]*", "", kShow),
        Check("chkParagr", "1", "Paragraph Nr (Mask)", kShow),
        Text("txtParagrMask", "*[0-9 ][0-9 ].[0-9 ][0-9 ]*?", "", kShow),
        Check("chkUseChapInFN", "1", "Add Chapter and Paragr. # in FileNames", kShow),
        Text("txtOutFileName", "File name rooth (es SomeFile => Somefile_00001.jpg)", "FileName rooth", ""),
        Text("txtJPGOutPath", "Write here the JPG Output files path", "Output JPG Folder", ""),
        Text("txtInpFile", "Write here the Input file name (.txt)", "Input txt File", ""),
        Ranged(Text("txtFontSize", "8", "Size: ", kFont, true), kMinPoints, kMaxPoints, false),
        Check("chkBold", "0", "&Bold", kFont),
        {"lstFonts", 0, ControlKind::List, "ProggyCleanTT", "", true, "", kFont},
        Check("chkGreenBkg", "0", "White && Green (eyes saver)", kScreen),
        Ranged(Text("Text1", "0", "", kScreen, true, false), 0, 16384, true),
        Ranged(Text("txtCustWidth", "0", "", kScreen, true, false), 0, 16384, true),
        Option(3, false, "Custom", false),
        Check("chkRotate", "0", "&Rotate 90\u00B0 CW", kScreen),
        Check("chkSwapDim", "0", "Swa&p dimensions", kScreen),
        Option(2, false, "208 x 208 (72 dpi)"),
        Check("chkWB", "0", "&White && Black (battery saver)", kScreen),
        Ranged(Text("txtScrX", "1", "Screen Heigh Multiplier (max 5)", kScreen, true), 1, kMaxMultiplier, false),
        Option(1, false, "640 x 480 (216 dpi)"),
        Option(0, true, "320 x 240 (160 dpi)"),
        Check("chkBookParas", "0", "Paragraphs as laid out in the book", kParsing),
        Check("chkFrontBack", "0", "Skip front and back matter", kParsing),
        Text("txtCodePage", "Windows-1252", "Code page", ""),
    };
    return controls;
}

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

std::string RangeText(const ControlSpec& control)
{
    auto number = [](double value) {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
        return text;
    };
    return std::string(control.whole ? "a whole number" : "a number") + " from " + number(control.minimum) + " to " +
           number(control.maximum);
}
