#include "settings/SettingsModel.h"

#include "base/Text.h"
#include "base/Rounding.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

const char32_t* const kConverterNotice =
    U"This page was converted with TextPager - register your copy at www.example.com/register";

std::vector<std::u32string> DefaultMarkedPhrases()
{
    return {U"", kConverterNotice, U"NEXT > ", U"< BACK NEXT > ", U".", std::u32string(1, U'\f')};
}

std::string FormatPoints(double points)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", points);
    std::string text = buffer;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

namespace {

constexpr int kMaxCanvasSide = 16384;

bool IsPlainNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            break;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    return digits && i == text.size();
}

bool InRange(const ControlSpec& control, double value)
{
    if (control.maximum <= control.minimum)
        return true;
    return value >= control.minimum && value <= control.maximum && (!control.whole || value == std::floor(value));
}

std::string NumberText(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

} // namespace

SettingsModel::SettingsModel()
{
    for (const ControlSpec& control : SettingsControls())
        mStates[ControlKey(control)] = State{control.defaultValue, control.enabledAtStart};
    mCanvas.SetGlyphMode(PageGlyphMode());
    mCanvas.SetFont(Value("lstFonts", 0), 8, false);
    mCanvas.SetBackColor(PageBackColor);
    mCanvas.SetForeColor(PageForeColor);
    mCanvas.Clear();
}

SettingsModel::State& SettingsModel::StateOf(const std::string& name, int index)
{
    return const_cast<State&>(std::as_const(*this).StateOf(name, index));
}

const SettingsModel::State& SettingsModel::StateOf(const std::string& name, int index) const
{
    const ControlSpec* control = FindControl(name, index);
    if (!control)
        throw std::invalid_argument("there is no setting named " + name);
    return mStates.at(ControlKey(*control));
}

const std::string& SettingsModel::Value(const std::string& name, int index) const { return StateOf(name, index).value; }

bool SettingsModel::Enabled(const std::string& name, int index) const { return StateOf(name, index).enabled; }

void SettingsModel::SetEnabled(const std::string& name, int index, bool enabled)
{
    StateOf(name, index).enabled = enabled;
    mObserver->ControlChanged(name);
}

int SettingsModel::Check(const std::string& name) const
{
    const std::string& value = Value(name);
    return value.empty() ? 0 : std::atoi(value.c_str());
}

double SettingsModel::Number(const std::string& name) const { return LeadingNumber(FromUtf8(Value(name))); }

int SettingsModel::SelectedPreset() const
{
    for (int i = 0; i <= 3; ++i)
        if (Value("optScrRes", i) == "1")
            return i;
    return -1;
}

void SettingsModel::SetText(const std::string& name, const std::string& text)
{
    State& state = StateOf(name, -1);
    if (state.value == text)
        return;
    state.value = text;
    OnTextChanged(name);
    mObserver->ControlChanged(name);
}

void SettingsModel::LeaveText(const std::string& name)
{
    KeepInRange(name);
    if (name == "txtFontSize")
        FontSizeCheck();
    else if (name == "txtScrX")
        CanvasHeightFromMultiplier();
    else if (name == "txtChaptMask")
        LastMask = Value(name), LastMaskKind = 1;
    else if (name == "txtParagrMask")
        LastMask = Value(name), LastMaskKind = 2;
}

void SettingsModel::KeepInRange(const std::string& name)
{
    // What the box shows when it is left is a value the setting takes, so that a profile saved from the window
    // loads back without a word: a number is brought into its range, anything else gets the default (the font
    // size and the multiplier have their own fallbacks).
    const ControlSpec* control = FindControl(name);
    if (!control || control->kind != ControlKind::Text || !RefusedValue(*control, Value(name)))
        return;
    const std::string& value = Value(name);
    std::string kept = control->defaultValue;
    const bool number = IsPlainNumber(value);
    if (name == "txtCodePage") {
        SetText("txtMsg", "Code page \"" + value + "\" is not known: " + kept + " is used");
    } else if (name == "txtFontSize" && (!number || std::strtod(value.c_str(), nullptr) <= 0)) {
        kept = "8";
    } else if (number && control->maximum > control->minimum) {
        double clamped = std::clamp(std::strtod(value.c_str(), nullptr), control->minimum, control->maximum);
        if (control->whole)
            clamped = RoundHalfEven(clamped);
        kept = NumberText(clamped);
    }
    SetText(name, kept);
}

void SettingsModel::SetCheck(const std::string& name, int value)
{
    State& state = StateOf(name, -1);
    const std::string text = std::to_string(value);
    if (state.value == text)
        return;
    state.value = text;
    OnClick(name, -1);
}

void SettingsModel::Click(const std::string& name) { SetCheck(name, Check(name) == 0 ? 1 : 0); }

void SettingsModel::SelectOption(int index)
{
    for (int i = 0; i <= 3; ++i)
        StateOf("optScrRes", i).value = i == index ? "1" : "0";
    OnClick("optScrRes", index);
}

void SettingsModel::ClearOption(int index)
{
    StateOf("optScrRes", index).value = "0";
    mObserver->ControlChanged("optScrRes");
}

void SettingsModel::FillFontList(const std::vector<std::string>& faces)
{
    mFontEntries = faces;
    mObserver->ControlChanged("lstFonts");
}

bool SettingsModel::SelectFont(const std::string& face)
{
    if (std::find(mFontEntries.begin(), mFontEntries.end(), face) == mFontEntries.end())
        return false;
    StateOf("lstFonts", 0).value = face;
    FontListIndex = 0;
    ApplyCanvasFont();
    mObserver->PreviewLabelCleared();
    mObserver->ControlChanged("lstFonts");
    return true;
}

void SettingsModel::OnTextChanged(const std::string& name)
{
    if (name == "txtInpFile") {
        InputPath = Value(name);
        UpdateOutputPath();
    } else if (name == "txtOutFileName") {
        FileRoot = Value(name);
        UpdateOutputPath();
    } else if (name == "txtJPGOutPath") {
        if (mRunFolderLocked || mUpdatingPath)
            return;
        InputFolder = Value(name);
        if (InputFolder.empty() || InputFolder.back() != '/')
            InputFolder += '/';
        UpdateOutputPath();
    } else if (name == "txtScrX") {
        CanvasHeightFromMultiplier();
    }
}

void SettingsModel::OnClick(const std::string& name, int index)
{
    if (name == "optScrRes") {
        static constexpr int kPresets[3][2] = {{320, 240}, {640, 480}, {208, 208}};
        if (index >= 0 && index < 3) {
            const bool swap = On("chkSwapDim");
            ScreenWidth = kPresets[index][swap ? 1 : 0];
            ScreenHeight = kPresets[index][swap ? 0 : 1];
        }
        RotatePic();
        mObserver->LayoutChanged();
    } else if (name == "chkSwapDim") {
        std::swap(ScreenWidth, ScreenHeight);
        RotatePic();
        mObserver->LayoutChanged();
    } else if (name == "chkRotate") {
        RotateOn = On(name);
        RotatePic();
        mObserver->LayoutChanged();
    } else if (name == "chkWB" || name == "chkGreenBkg") {
        ApplyColourScheme(10 * Check("chkGreenBkg") + Check("chkWB"));
    } else if (name == "chkRowNrs") {
        RowNumbersOn = On(name);
    } else if (name == "chkShowZEN") {
        mObserver->PreviewShown(On(name));
    } else if (name == "chkBold") {
        ApplyCanvasFont();
        mObserver->PreviewLabelCleared();
    } else if (name == "chkPureBW" && !mRunFolderLocked) {
        // A run takes the new mode with its next page, so that no page is drawn in two.
        mCanvas.SetGlyphMode(PageGlyphMode());
        ReprintPageText();
    }
    mObserver->ControlChanged(name);
}

double SettingsModel::HeightMultiplier() const
{
    const double multiplier = LeadingNumber(U"0" + FromUtf8(Value("txtScrX")));
    return std::floor(multiplier) >= 1 ? std::min(multiplier, kMaxMultiplier) : 1.0;
}

void SettingsModel::RotatePic()
{
    const double multiplier = HeightMultiplier();
    int width = ScreenWidth, height = ScreenHeight;
    if (On("chkRotate"))
        std::swap(width, height);
    height = std::clamp(static_cast<int>(RoundHalfEven(multiplier * height)), 1, kMaxCanvasSide);
    mCanvas.Resize(std::max(1, width), height);
    Pic2Width = On("chkRotate") ? height : width;
    Pic2Height = On("chkRotate") ? width : height;
    mObserver->CanvasChanged();
}

void SettingsModel::CanvasHeightFromMultiplier()
{
    const int base = RotateOn ? ScreenWidth : ScreenHeight;
    const int height = std::clamp(static_cast<int>(RoundHalfEven(HeightMultiplier() * base)), 1, kMaxCanvasSide);
    mCanvas.Resize(mCanvas.Width(), height);
    mObserver->CanvasChanged();
}

void SettingsModel::ApplyColourScheme(int scheme)
{
    const RgbQuad white = RgbQuad::FromRgb(255, 255, 255), black = RgbQuad::FromRgb(0, 0, 0);
    if (scheme == 0) {
        PageBackColor = white, PageForeColor = black;
    } else if (scheme == 1) {
        PageBackColor = black, PageForeColor = white;
    } else {
        PageBackColor = RgbQuad::FromRgb(0, 100, 0), PageForeColor = white;
    }
    mCanvas.SetBackColor(PageBackColor);
    mCanvas.SetForeColor(PageForeColor);
    ReprintPageText();
}

GlyphMode SettingsModel::PageGlyphMode() const
{
    return On("chkPureBW") ? GlyphMode::Monochrome : GlyphMode::AntiAliased;
}

void SettingsModel::ApplyCanvasFont()
{
    if (!mRunFolderLocked)
        mCanvas.SetGlyphMode(PageGlyphMode());
    const double requested = Number("txtFontSize");
    mCanvas.SetFont(Value("lstFonts", 0), requested > 0 ? std::clamp(requested, kMinPoints, kMaxPoints) : 8,
                    On("chkBold"));
    ReprintPageText();
}

void SettingsModel::FontSizeCheck()
{
    ApplyCanvasFont();
    StateOf("txtFontSize", -1).value = FormatPoints(mCanvas.FontSize());
    mObserver->ControlChanged("txtFontSize");
}

void SettingsModel::ReprintPageText()
{
    mCanvas.Clear();
    std::size_t from = 0;
    while (from < PageText.size()) {
        const std::size_t end = PageText.find(U"\r\n", from);
        if (end == std::u32string::npos) {
            mCanvas.Print(std::u32string_view(PageText).substr(from), PageCanvas::Then::StayOnRow);
            break;
        }
        mCanvas.Print(std::u32string_view(PageText).substr(from, end - from), PageCanvas::Then::NewRow);
        from = end + 2;
    }
    mObserver->CanvasChanged();
}

void SettingsModel::UpdateOutputPath()
{
    // The folder a run settled on serves the whole run; an edit made meanwhile takes effect when it ends.
    if (mRunFolderLocked) {
        mPathEditedDuringRun = true;
        return;
    }
    const std::string& input = Value("txtInpFile");
    std::string folder = FolderOf(input);
    // A bare file name lives in the working folder, not in the root of the file system.
    if (folder.empty())
        folder = !input.empty() && input.front() == '/' ? "" : ".";
    InputFolder = folder + "/";
    OutputPath = InputFolder + RootPiece(FileRoot, NameMaxFor(InputFolder));
    if (OutputPath.back() != '/')
        OutputPath += '/';
    mUpdatingPath = true;
    SetText("txtJPGOutPath", OutputPath);
    mUpdatingPath = false;
}

void SettingsModel::ClearCanvas()
{
    mCanvas.SetGlyphMode(PageGlyphMode());
    mCanvas.Clear();
    mObserver->PreviewCleared();
    mObserver->CanvasChanged();
}

void SettingsModel::EndRunOutputFolder()
{
    mRunFolderLocked = false;
    if (mPathEditedDuringRun) {
        mPathEditedDuringRun = false;
        UpdateOutputPath();
    }
}

void SettingsModel::ShowRunOutputFolder(const std::string& folder)
{
    mRunFolderLocked = true;
    mPathEditedDuringRun = false;
    OutputPath = folder;
    StateOf("txtJPGOutPath", -1).value = folder;
    mObserver->ControlChanged("txtJPGOutPath");
}

std::optional<std::string> SettingsModel::ApplyEdit(const std::string& key, const std::string& value)
{
    std::string name = key;
    int index = -1;
    if (const auto open = key.find('('); open != std::string::npos && key.back() == ')') {
        name = key.substr(0, open);
        index = std::atoi(key.c_str() + open + 1);
    }
    const ControlSpec* control = FindControl(name, index);
    if (!control)
        return "there is no setting named " + key;

    switch (control->kind) {
    case ControlKind::Check:
        if (value != "0" && value != "1")
            return key + " takes 0 or 1, not \"" + value + "\"";
        if (!Enabled(name))
            return key + " is disabled";
        SetCheck(name, value == "1");
        return std::nullopt;
    case ControlKind::Option: {
        // optScrRes=N selects member N; optScrRes(N)=1 or 0 selects or clears it.
        int member = index;
        bool select = true;
        if (index < 0) {
            if (value.size() != 1 || value[0] < '0' || value[0] > '3')
                return key + " takes a preset number from 0 to 3, not \"" + value + "\"";
            member = value[0] - '0';
        } else if (value == "0" || value == "1") {
            select = value == "1";
        } else {
            return key + " takes 0 or 1, not \"" + value + "\"";
        }
        if (!Enabled("optScrRes", member))
            return "optScrRes(" + std::to_string(member) + ") is disabled";
        select ? SelectOption(member) : ClearOption(member);
        return std::nullopt;
    }
    case ControlKind::List:
        if (auto refused = RefusedValue(*control, value))
            return refused;
        SelectFont(value);
        return std::nullopt;
    case ControlKind::Text:
        if (!Enabled(name))
            return key + " is disabled";
        if (auto refused = RefusedValue(*control, value))
            return refused;
        TypeText(name, value);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> SettingsModel::RefusedValue(const ControlSpec& control, const std::string& value) const
{
    const std::string key = ControlKey(control);
    switch (control.kind) {
    case ControlKind::Check:
        if (value != "0" && value != "1" && value != "2")
            return key + " takes 0, 1 or 2, not \"" + value + "\"";
        return std::nullopt;
    case ControlKind::Text:
        if (control.name == "txtCodePage" && !IsKnownCodePage(value))
            return key + " takes a code page the system knows (such as Windows-1252, CP1250, ISO-8859-2), not \"" +
                   value + "\"";
        if (!control.numeric || value.empty())
            return std::nullopt;
        if (!IsPlainNumber(value) || !InRange(control, std::strtod(value.c_str(), nullptr)))
            return key + " takes " + (control.maximum > control.minimum ? RangeText(control) : "a number") +
                   ", not \"" + value + "\"";
        return std::nullopt;
    case ControlKind::List:
        if (std::find(mFontEntries.begin(), mFontEntries.end(), value) == mFontEntries.end()) {
            std::string entries;
            for (const std::string& face : mFontEntries)
                entries += (entries.empty() ? "" : ", ") + face;
            return "lstFonts has no entry \"" + value + "\" (entries: " + entries + ")";
        }
        return std::nullopt;
    case ControlKind::Option:
        return std::nullopt;
    }
    return std::nullopt;
}

void SettingsModel::ResetAllControls()
{
    for (const ControlSpec& control : SettingsControls()) {
        if (control.kind == ControlKind::Check)
            SetCheck(control.name, 0);
        else if (control.kind == ControlKind::Option)
            ClearOption(control.index);
        StateOf(control.name, control.index).enabled = true;
        mObserver->ControlChanged(control.name);
    }
}
