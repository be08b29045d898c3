#include "settings/SettingsModel.h"

#include "base/Text.h"
#include "base/Rounding.h"
#include "platform/CodePage.h"
#include "platform/FontFamilies.h"
#include "platform/Paths.h"
#include "settings/ScreenSize.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <tuple>
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

// The member of the optScrRes array at index (0 to 3).
Control OptionControl(int index)
{
    static constexpr Control kOptions[] = {Control::optScrRes0, Control::optScrRes1, Control::optScrRes2,
                                           Control::optScrRes3};
    return kOptions[std::clamp(index, 0, 3)];
}

bool InRange(const ControlSpec& control, double value)
{
    if (control.maximum <= control.minimum)
        return true;
    return value >= control.minimum && value <= control.maximum && (!control.whole || value == std::floor(value));
}

} // namespace

SettingsModel::SettingsModel() : mStates(kControlCount)
{
    for (const ControlSpec& control : SettingsControls()) {
        Store(control.id, control.defaultValue);
        mStates[Index(control.id)].enabled = control.enabledAtStart;
    }
    mCanvas.SetGlyphMode(PageGlyphMode());
    mCanvas.SetFont(Value(Control::lstFonts), 8, false);
    mCanvas.SetBackColor(mPageBackColor);
    mCanvas.SetForeColor(mPageForeColor);
    mCanvas.Clear();
}

Control SettingsModel::ControlNamed(const std::string& name, int index)
{
    const ControlSpec* control = FindControl(name, index);
    if (!control)
        throw std::invalid_argument("there is no setting named " + name);
    return control->id;
}

void SettingsModel::Store(Control control, const std::string& value)
{
    State& state = mStates[Index(control)];
    state.value = value;
    state.text = FromUtf8(value);
    state.number = LeadingNumber(state.text);
    state.check = value.empty() ? 0 : std::atoi(value.c_str());
}

void SettingsModel::Changed(Control control) { mObserver->ControlChanged(TableEntry(control).name); }

void SettingsModel::SetEnabled(Control control, bool enabled)
{
    mStates[Index(control)].enabled = enabled;
    Changed(control);
}

int SettingsModel::SelectedPreset() const
{
    for (int i = 0; i <= 3; ++i)
        if (Value(OptionControl(i)) == "1")
            return i;
    return -1;
}

void SettingsModel::SetText(Control control, const std::string& text)
{
    if (Value(control) == text)
        return;
    Store(control, text);
    OnTextChanged(control);
    Changed(control);
}

void SettingsModel::LeaveText(Control control)
{
    KeepInRange(control);
    if (control == Control::txtFontSize)
        FontSizeCheck();
    else if (control == Control::txtScrX)
        CanvasHeightFromMultiplier();
    else if (control == Control::txtChaptMask)
        mLastMask = Value(control), mLastMaskKind = 1;
    else if (control == Control::txtParagrMask)
        mLastMask = Value(control), mLastMaskKind = 2;
    else if ((control == Control::txtCustWidth || control == Control::Text1) && SelectedPreset() == 3 &&
             !CustomSide(Value(control)))
        SetText(Control::txtMsg, std::string(control == Control::Text1 ? "Custom height" : "Custom width") +
                                     " takes a whole number from " + std::to_string(kMinCustomSide) + " to " +
                                     std::to_string(kMaxCustomSide));
}

void SettingsModel::KeepInRange(Control control)
{
    // What the box shows when it is left is a value the setting takes, so that a profile saved from the window
    // loads back without a word: a number is brought into its range, anything else gets the default (the font
    // size and the multiplier have their own fallbacks).
    const ControlSpec& entry = TableEntry(control);
    if (entry.kind != ControlKind::Text || !RefusedValue(entry, Value(control)))
        return;
    const std::string value = Value(control);
    std::string kept = entry.defaultValue;
    const bool number = IsPlainNumber(value);
    if (control == Control::txtCodePage) {
        SetText(Control::txtMsg, "Code page \"" + value + "\" is not known: " + kept + " is used");
    } else if (control == Control::txtFontSize && (!number || std::strtod(value.c_str(), nullptr) <= 0)) {
        kept = "8";
    } else if (number && entry.maximum > entry.minimum) {
        double clamped = std::clamp(std::strtod(value.c_str(), nullptr), entry.minimum, entry.maximum);
        if (entry.whole)
            clamped = RoundHalfEven(clamped);
        kept = RangeNumberText(clamped);
    }
    SetText(control, kept);
}

void SettingsModel::SetCheck(Control control, int value)
{
    const std::string text = std::to_string(value);
    if (Value(control) == text)
        return;
    Store(control, text);
    OnClick(control);
}

void SettingsModel::Click(Control control) { SetCheck(control, Check(control) == 0 ? 1 : 0); }

void SettingsModel::SelectOption(int index)
{
    for (int i = 0; i <= 3; ++i)
        Store(OptionControl(i), i == index ? "1" : "0");
    OnClick(OptionControl(index));
}

void SettingsModel::ClearOption(int index)
{
    Store(OptionControl(index), "0");
    Changed(OptionControl(index));
}

void SettingsModel::FillFontList(const std::vector<std::string>& faces)
{
    mFontEntries = faces;
    Changed(Control::lstFonts);
}

const std::vector<std::string>& SettingsModel::ListEntries(Control list) const
{
    return list == Control::lstFonts ? mFontEntries : TableEntry(list).entries;
}

bool SettingsModel::SelectEntry(Control list, const std::string& entry)
{
    if (list == Control::lstFonts)
        return SelectFont(entry);
    const auto& entries = ListEntries(list);
    if (std::find(entries.begin(), entries.end(), entry) == entries.end())
        return false;
    Store(list, entry);
    Changed(list);
    return true;
}

bool SettingsModel::SelectFont(const std::string& face)
{
    // An entry of the list is taken as it is spelt, installed or not: a stand-in draws an offered face the system
    // lacks. Any other name is looked up only now, so that a start with an offered face reads no font list.
    const bool listed = std::find(mFontEntries.begin(), mFontEntries.end(), face) != mFontEntries.end();
    const std::optional<std::string> family = listed ? face : InstalledFamily(face);
    if (!family)
        return false;
    Store(Control::lstFonts, *family);
    ApplyCanvasFont();
    mObserver->PreviewLabelCleared();
    Changed(Control::lstFonts);
    return true;
}

void SettingsModel::OnTextChanged(Control control)
{
    switch (control) {
    case Control::txtInpFile:
        mInputPath = Value(control);
        UpdateOutputPath();
        break;
    case Control::txtOutFileName:
        mFileRoot = Value(control);
        UpdateOutputPath();
        break;
    case Control::txtJPGOutPath:
        if (mRunFolderLocked || mUpdatingPath)
            return;
        mInputFolder = Value(control);
        if (mInputFolder.empty() || mInputFolder.back() != '/')
            mInputFolder += '/';
        UpdateOutputPath();
        break;
    case Control::txtScrX:
        CanvasHeightFromMultiplier();
        break;
    case Control::txtCustWidth:
    case Control::Text1:
        if (SelectedPreset() == 3)
            FollowCustomSize();
        break;
    default:
        break;
    }
}

void SettingsModel::OnClick(Control control)
{
    switch (control) {
    case Control::optScrRes0:
    case Control::optScrRes1:
    case Control::optScrRes2:
    case Control::optScrRes3: {
        const int index = TableEntry(control).index;
        if (index < 3) {
            std::tie(mScreenWidth, mScreenHeight) = PresetScreen(index, On(Control::chkSwapDim));
        } else if (const auto custom = CustomScreenSize()) {
            std::tie(mScreenWidth, mScreenHeight) = *custom;
        } else {
            // Without a size of its own yet, Custom keeps the one it found until both boxes hold one.
            SetText(Control::txtMsg, "Custom: type the width and height, " + std::to_string(kMinCustomSide) +
                                         " to " + std::to_string(kMaxCustomSide));
        }
        EnableCustomBoxes(index == 3);
        RotatePic();
        mObserver->LayoutChanged();
        break;
    }
    case Control::chkSwapDim:
        std::swap(mScreenWidth, mScreenHeight);
        RotatePic();
        mObserver->LayoutChanged();
        break;
    case Control::chkRotate:
        mRotateOn = On(control);
        RotatePic();
        mObserver->LayoutChanged();
        break;
    case Control::chkWB:
    case Control::chkGreenBkg:
        ApplyColourScheme(10 * Check(Control::chkGreenBkg) + Check(Control::chkWB));
        break;
    case Control::chkRowNrs:
        mRowNumbersOn = On(control);
        break;
    case Control::chkShowZEN:
        mObserver->PreviewShown(On(control));
        break;
    case Control::chkBold:
        ApplyCanvasFont();
        mObserver->PreviewLabelCleared();
        break;
    case Control::chkPureBW:
        // A run takes the new mode with its next page, so that no page is drawn in two.
        if (!mRunFolderLocked) {
            mCanvas.SetGlyphMode(PageGlyphMode());
            ReprintPageText();
        }
        break;
    default:
        break;
    }
    Changed(control);
}

double SettingsModel::HeightMultiplier() const
{
    const double multiplier = LeadingNumber(U"0" + Text(Control::txtScrX));
    return std::floor(multiplier) >= 1 ? std::min(multiplier, kMaxMultiplier) : 1.0;
}

void SettingsModel::RotatePic()
{
    const double multiplier = HeightMultiplier();
    int width = mScreenWidth, height = mScreenHeight;
    if (On(Control::chkRotate))
        std::swap(width, height);
    height = std::clamp(static_cast<int>(RoundHalfEven(multiplier * height)), 1, kMaxCanvasSide);
    mCanvas.Resize(std::max(1, width), height);
    mPic2Width = On(Control::chkRotate) ? height : width;
    mPic2Height = On(Control::chkRotate) ? width : height;
    mObserver->CanvasChanged();
}

std::optional<std::pair<int, int>> SettingsModel::CustomScreenSize() const
{
    return CustomScreen(Value(Control::txtCustWidth), Value(Control::Text1), On(Control::chkSwapDim));
}

void SettingsModel::FollowCustomSize()
{
    const auto custom = CustomScreenSize();
    if (!custom || *custom == std::pair(mScreenWidth, mScreenHeight))
        return;
    std::tie(mScreenWidth, mScreenHeight) = *custom;
    SetText(Control::txtMsg, "Custom size: " + Value(Control::txtCustWidth) + " x " + Value(Control::Text1));
    RotatePic();
    mObserver->LayoutChanged();
}

void SettingsModel::EnableCustomBoxes(bool enabled)
{
    for (const Control box : {Control::txtCustWidth, Control::Text1})
        if (Enabled(box) != enabled)
            SetEnabled(box, enabled);
}

std::optional<std::string> SettingsModel::RefusedPageSize() const
{
    if (SelectedPreset() == 3 && !CustomScreenSize())
        return "the custom screen size (optScrRes=3) takes a width (txtCustWidth) and a height (Text1) that are whole "
               "numbers from " + std::to_string(kMinCustomSide) + " to " + std::to_string(kMaxCustomSide) +
               ", not \"" + Value(Control::txtCustWidth) + "\" by \"" + Value(Control::Text1) + "\"";
    const int side = On(Control::chkRotate) ? mScreenWidth : mScreenHeight;
    const double height = RoundHalfEven(HeightMultiplier() * side);
    if (height > kMaxCanvasSide)
        return "a page " + RangeNumberText(HeightMultiplier()) + " screens high (txtScrX) of " + std::to_string(side) +
               " pixels would be " + RangeNumberText(height) + " pixels high; a page is at most " +
               std::to_string(kMaxCanvasSide) + ": lower txtScrX or the screen size";
    return std::nullopt;
}

void SettingsModel::CanvasHeightFromMultiplier()
{
    const int base = mRotateOn ? mScreenWidth : mScreenHeight;
    const int height = std::clamp(static_cast<int>(RoundHalfEven(HeightMultiplier() * base)), 1, kMaxCanvasSide);
    mCanvas.Resize(mCanvas.Width(), height);
    mObserver->CanvasChanged();
}

void SettingsModel::ApplyColourScheme(int scheme)
{
    const RgbQuad white = RgbQuad::FromRgb(255, 255, 255), black = RgbQuad::FromRgb(0, 0, 0);
    if (scheme == 0) {
        mPageBackColor = white, mPageForeColor = black;
    } else if (scheme == 1) {
        mPageBackColor = black, mPageForeColor = white;
    } else {
        mPageBackColor = RgbQuad::FromRgb(0, 100, 0), mPageForeColor = white;
    }
    mCanvas.SetBackColor(mPageBackColor);
    mCanvas.SetForeColor(mPageForeColor);
    ReprintPageText();
}

GlyphMode SettingsModel::PageGlyphMode() const
{
    return On(Control::chkPureBW) ? GlyphMode::Monochrome : GlyphMode::AntiAliased;
}

void SettingsModel::ApplyCanvasFont()
{
    if (!mRunFolderLocked)
        mCanvas.SetGlyphMode(PageGlyphMode());
    const double requested = Number(Control::txtFontSize);
    mCanvas.SetFont(Value(Control::lstFonts), requested > 0 ? std::clamp(requested, kMinPoints, kMaxPoints) : 8,
                    On(Control::chkBold));
    ReprintPageText();
}

void SettingsModel::FontSizeCheck()
{
    ApplyCanvasFont();
    Store(Control::txtFontSize, FormatPoints(mCanvas.FontSize()));
    Changed(Control::txtFontSize);
}

void SettingsModel::ReprintPageText()
{
    mCanvas.Clear();
    std::size_t from = 0;
    while (from < mPageText.size()) {
        const std::size_t end = mPageText.find(U'\n', from);
        if (end == std::u32string::npos) {
            mCanvas.Print(std::u32string_view(mPageText).substr(from), PageCanvas::Then::StayOnRow);
            break;
        }
        mCanvas.Print(std::u32string_view(mPageText).substr(from, end - from), PageCanvas::Then::NewRow);
        from = end + 1;
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
    const std::string& input = Value(Control::txtInpFile);
    std::string folder = FolderOf(input);
    // A bare file name lives in the working folder, not in the root of the file system.
    if (folder.empty())
        folder = !input.empty() && input.front() == '/' ? "" : ".";
    mInputFolder = folder + "/";
    mOutputPath = mInputFolder + RootPiece(mFileRoot, NameMaxFor(mInputFolder));
    if (mOutputPath.back() != '/')
        mOutputPath += '/';
    mUpdatingPath = true;
    SetText(Control::txtJPGOutPath, mOutputPath);
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
    mOutputPath = folder;
    Store(Control::txtJPGOutPath, folder);
    Changed(Control::txtJPGOutPath);
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
        if (!Enabled(control->id))
            return key + " is disabled";
        SetCheck(control->id, value == "1");
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
        if (!Enabled(OptionControl(member)))
            return "optScrRes(" + std::to_string(member) + ") is disabled";
        select ? SelectOption(member) : ClearOption(member);
        return std::nullopt;
    }
    case ControlKind::List:
        if (auto refused = RefusedValue(*control, value))
            return refused;
        SelectEntry(control->id, value);
        return std::nullopt;
    case ControlKind::Text:
        if (!Enabled(control->id) && (control->id == Control::txtCustWidth || control->id == Control::Text1))
            return key + " is disabled: it is a side of the custom screen size, which takes part once optScrRes=3 "
                         "is set; set that first";
        if (!Enabled(control->id))
            return key + " is disabled";
        if (auto refused = RefusedValue(*control, value))
            return refused;
        TypeText(control->id, value);
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
        if (control.id == Control::txtCodePage && !IsKnownCodePage(value))
            return key + " takes a code page the system knows (such as Windows-1252, CP1250, ISO-8859-2), not \"" +
                   value + "\"";
        if (!control.numeric || value.empty())
            return std::nullopt;
        if (!IsPlainNumber(value) || !InRange(control, std::strtod(value.c_str(), nullptr)))
            return key + " takes " + (control.maximum > control.minimum ? RangeText(control) : "a number") +
                   ", not \"" + value + "\"";
        return std::nullopt;
    case ControlKind::List: {
        const auto& entries = ListEntries(control.id);
        if (std::find(entries.begin(), entries.end(), value) != entries.end())
            return std::nullopt;
        if (control.id == Control::lstFonts) {
            if (InstalledFamily(value))
                return std::nullopt;
            return control.name + ": \"" + value +
                   "\" is not an installed font family; leafcast fonts --all lists them";
        }
        std::string offered;
        for (const std::string& entry : entries)
            offered += (offered.empty() ? "" : ", ") + entry;
        return control.name + " has no entry \"" + value + "\" (entries: " + offered + ")";
    }
    case ControlKind::Option:
        return std::nullopt;
    }
    return std::nullopt;
}

void SettingsModel::ResetAllControls()
{
    for (const ControlSpec& control : SettingsControls()) {
        if (control.kind == ControlKind::Check)
            SetCheck(control.id, 0);
        else if (control.kind == ControlKind::Option)
            ClearOption(control.index);
        else if (!control.entries.empty())
            SelectEntry(control.id, control.entries.front());
        mStates[Index(control.id)].enabled = true;
        Changed(control.id);
    }
}

void SettingsModel::SetMaskTesterResult(bool accepted, std::string mask)
{
    mMaskAccepted = accepted;
    mLastMask = std::move(mask);
}

void SettingsModel::BeginRun(const std::string& rootWhenNone)
{
    if (mFileRoot.empty())
        mFileRoot = rootWhenNone;
    mRowNumbersOn = On(Control::chkRowNrs);
    mRotateOn = On(Control::chkRotate);
}

void SettingsModel::UseOutputFolder(const std::string& folder)
{
    mOutputPath = folder;
    if (mOutputPath.empty() || mOutputPath.back() != '/')
        mOutputPath += '/';
}
