#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The controls of the settings window, in the order the window creates them. This one table gives the
// defaults, drives profile saving and loading, and lets the settings window build and bind its widgets.

enum class ControlKind { Check, Text, Option, List };

// Every control, in the order the window creates them, as X(identifier, name, member index): the identifier is
// how the program reads the control, the name how profiles, --set and the window's widgets know it.
#define LEAFCAST_CONTROLS(X) \
    X(txtMsg, "txtMsg", -1) \
    X(chkNoChars, "chkNoChars", -1) \
    X(txtEditor, "txtEditor", -1) \
    X(chkSmartLF, "chkSmartLF", -1) \
    X(chkMultCR, "chkMultCR", -1) \
    X(chkSkipW, "chkSkipW", -1) \
    X(chkCompress, "chkCompress", -1) \
    X(txtFromPg, "txtFromPg", -1) \
    X(chkShowZEN, "chkShowZEN", -1) \
    X(txtToPg, "txtToPg", -1) \
    X(txtQA, "txtQA", -1) \
    X(chkPureBW, "chkPureBW", -1) \
    X(txtASCIISep, "txtASCIISep", -1) \
    X(txtFormat, "txtFormat", -1) \
    X(chkDiffFold, "chkDiffFold", -1) \
    X(chkFileNr, "chkFileNr", -1) \
    X(chkDocPageNr, "chkDocPageNr", -1) \
    X(chkRowNrs, "chkRowNrs", -1) \
    X(chkChapter, "chkChapter", -1) \
    X(txtChaptMask, "txtChaptMask", -1) \
    X(chkParagr, "chkParagr", -1) \
    X(txtParagrMask, "txtParagrMask", -1) \
    X(chkUseChapInFN, "chkUseChapInFN", -1) \
    X(txtOutFileName, "txtOutFileName", -1) \
    X(txtJPGOutPath, "txtJPGOutPath", -1) \
    X(txtInpFile, "txtInpFile", -1) \
    X(txtFontSize, "txtFontSize", -1) \
    X(chkBold, "chkBold", -1) \
    X(lstFonts, "lstFonts", 0) \
    X(chkGreenBkg, "chkGreenBkg", -1) \
    X(Text1, "Text1", -1) \
    X(txtCustWidth, "txtCustWidth", -1) \
    X(optScrRes3, "optScrRes", 3) \
    X(chkRotate, "chkRotate", -1) \
    X(chkSwapDim, "chkSwapDim", -1) \
    X(optScrRes2, "optScrRes", 2) \
    X(chkWB, "chkWB", -1) \
    X(txtScrX, "txtScrX", -1) \
    X(optScrRes1, "optScrRes", 1) \
    X(optScrRes0, "optScrRes", 0) \
    X(chkBookParas, "chkBookParas", -1) \
    X(chkFrontBack, "chkFrontBack", -1) \
    X(txtCodePage, "txtCodePage", -1) \
    X(chkHyphenate, "chkHyphenate", -1) \
    X(chkJustify, "chkJustify", -1) \
    X(txtLanguage, "txtLanguage", -1) \
    X(chkWidows, "chkWidows", -1) \
    X(chkTypoPunct, "chkTypoPunct", -1) \
    X(lstPageFormat, "lstPageFormat", -1) \
    X(chkKerning, "chkKerning", -1)

enum class Control {
#define LEAFCAST_CONTROL_IDENTIFIER(identifier, name, index) identifier,
    LEAFCAST_CONTROLS(LEAFCAST_CONTROL_IDENTIFIER)
#undef LEAFCAST_CONTROL_IDENTIFIER
};

constexpr std::size_t kControlCount = 0
#define LEAFCAST_CONTROL_ONE(identifier, name, index) +1
    LEAFCAST_CONTROLS(LEAFCAST_CONTROL_ONE)
#undef LEAFCAST_CONTROL_ONE
    ;

// Font sizes in points that make a readable page, and the most screens one page may be high.
constexpr double kMinPoints = 3;
constexpr double kMaxPoints = 48;
constexpr double kMaxMultiplier = 5;
// The sides of a custom screen (txtCustWidth by Text1) in pixels, while optScrRes(3) is selected.
constexpr int kMinCustomSide = 16;
constexpr int kMaxCustomSide = 4096;

struct ControlSpec {
    Control id = Control::txtMsg;
    std::string name;     // without index: "optScrRes", "lstFonts"
    int index = -1;       // member index of a control array, -1 for a single control
    ControlKind kind = ControlKind::Text;
    std::string defaultValue;  // check "0"/"1", option "1" when selected, text, list entry
    std::string caption;       // caption or label; "&" marks the accelerator, "&&" shows "&"
    bool enabledAtStart = true;
    std::string frame;         // the group box holding it, empty for the top of the window
    bool numeric = false;      // the text is read as a number where it is used
    // The values a numeric text takes, as its caption or its use states them; whole numbers only when whole.
    double minimum = 0;
    double maximum = 0;
    bool whole = false;
    // The entries of a list that has fixed ones, the first its default; empty for the font list, which the
    // start-up fills.
    std::vector<std::string> entries = {};
};

const std::vector<ControlSpec>& SettingsControls();

// The entry of a control in the table.
const ControlSpec& TableEntry(Control control);

// The control named name (and index, for arrays); nullptr when there is none.
const ControlSpec* FindControl(std::string_view name, int index = -1);

// "a number from 0 to 10", "a whole number from 0 to 255": what a ranged numeric text takes.
std::string RangeText(const ControlSpec& control);
// A value of a ranged text as the box shows it: "10", "7.5", "9999999", without an exponent or trailing zeros.
std::string RangeNumberText(double value);

// "optScrRes(1)" or "chkSmartLF".
std::string ControlKey(const ControlSpec& control);
