#pragma once

#include "platform/PageCanvas.h"
#include "settings/Controls.h"

#include <optional>
#include <string>
#include <vector>

// Hears what the settings change beyond their own values: the preview window, the main window's layout.
// Every member has an empty default, so a front end overrides only what it shows.
class SettingsObserver {
public:
    virtual ~SettingsObserver() = default;
    virtual void ControlChanged(const std::string& /*key*/) {}
    virtual void CanvasChanged() {}        // size, font or colours of the canvas
    virtual void PreviewCleared() {}       // the preview's picture cleared and its label emptied
    virtual void PreviewLabelCleared() {}  // the preview's label emptied (a new font)
    virtual void PreviewShown(bool /*visible*/) {}
    virtual void LayoutChanged() {}        // preset or swap: the main window fits the canvas again
};

// The settings of a conversion, held as the settings window's controls, with the mirrors and derived values
// that follow them. A value set by code fires the same reaction as a user's edit.
class SettingsModel {
public:
    SettingsModel();

    // --- values, read through the control's identifier ---
    const std::string& Value(Control control) const { return mStates[Index(control)].value; }  // as typed, UTF-8
    const std::u32string& Text(Control control) const { return mStates[Index(control)].text; }  // decoded once
    int Check(Control control) const { return mStates[Index(control)].check; }  // 0, 1 or 2
    bool On(Control control) const { return Check(control) == 1; }
    // The leading number of a text, 0 when there is none; read once, when the text is set.
    double Number(Control control) const { return mStates[Index(control)].number; }
    bool Enabled(Control control) const { return mStates[Index(control)].enabled; }
    int SelectedPreset() const;  // -1 when no option is selected
    const std::vector<std::string>& FontEntries() const { return mFontEntries; }

    // --- edits, each firing its reaction ---
    void SetText(Control control, const std::string& text);  // the change reaction
    void LeaveText(Control control);                         // the lost-focus reaction
    void TypeText(Control control, const std::string& text) { SetText(control, text), LeaveText(control); }
    void SetCheck(Control control, int value);  // fires the click when the value changes
    void Click(Control control);                // a user's click: toggles and fires
    void SetEnabled(Control control, bool enabled);
    void SelectOption(int index);               // selects optScrRes(index) and fires its click
    void ClearOption(int index);                // unselects without a click, as a reset does
    bool SelectFont(const std::string& face);   // false when the face is not in the list
    void FillFontList(const std::vector<std::string>& faces);

    // --- the same by control name (and member index for optScrRes), for profiles, --set and the widgets ---
    // An unknown name throws std::invalid_argument.
    static Control ControlNamed(const std::string& name, int index = -1);
    const std::string& Value(const std::string& name, int index = -1) const { return Value(ControlNamed(name, index)); }
    bool Enabled(const std::string& name, int index = -1) const { return Enabled(ControlNamed(name, index)); }
    void SetEnabled(const std::string& name, int index, bool enabled) { SetEnabled(ControlNamed(name, index), enabled); }
    int Check(const std::string& name) const { return Check(ControlNamed(name)); }
    bool On(const std::string& name) const { return On(ControlNamed(name)); }
    double Number(const std::string& name) const { return Number(ControlNamed(name)); }
    void SetText(const std::string& name, const std::string& text) { SetText(ControlNamed(name), text); }
    void LeaveText(const std::string& name) { LeaveText(ControlNamed(name)); }
    void TypeText(const std::string& name, const std::string& text) { TypeText(ControlNamed(name), text); }
    void SetCheck(const std::string& name, int value) { SetCheck(ControlNamed(name), value); }
    void Click(const std::string& name) { Click(ControlNamed(name)); }

    // Applies a value to a control as a user's edit would (text: typed and left; check or option: clicked).
    // Answers an error message naming the control when it does not exist or cannot take the value.
    std::optional<std::string> ApplyEdit(const std::string& key, const std::string& value);

    // Why a control cannot take a value (a check box 0, 1 or 2, a number in a numeric text box, a face of the
    // font list), or nothing when it can. Options are not judged here.
    std::optional<std::string> RefusedValue(const ControlSpec& control, const std::string& value) const;

    // The reset offered after choosing a book: every check box cleared (each firing its click), no preset
    // selected, every control enabled; texts and the font list keep their values.
    void ResetAllControls();

    // --- mirrors and derived values ---
    int ScreenWidth = 320;
    int ScreenHeight = 240;
    bool RotateOn = false;
    bool RowNumbersOn = false;
    RgbQuad PageBackColor = RgbQuad::FromRgb(255, 255, 255);
    RgbQuad PageForeColor = RgbQuad::FromRgb(0, 0, 0);
    std::string InputPath;
    std::string FileRoot;
    std::string InputFolder;
    std::string OutputPath;
    std::vector<std::u32string> MarkedPhrases;  // element 0 holds no phrase; phrases are 1 .. n
    std::string LastMask;
    int LastMaskKind = 0;
    bool MaskAccepted = false;
    int FontListIndex = 0;
    std::u32string PageText;  // the rows of the page on the canvas, a line feed between them
    int Pic2Width = 320;
    int Pic2Height = 240;

    double HeightMultiplier() const;

    // The page canvas (Pic1) that the settings size, font and colour.
    PageCanvas& Canvas() { return mCanvas; }

    void RotatePic();
    void ApplyColourScheme(int scheme);
    void UpdateOutputPath();
    // Clears the canvas for a new page, which is drawn in the glyph mode chkPureBW asks for now.
    void ClearCanvas();
    // Monochrome glyphs for black-and-white pages (chkPureBW), anti-aliased ones otherwise.
    GlyphMode PageGlyphMode() const;
    // Clears the canvas and prints PageText on it again, as after a font or colour change.
    void ReprintPageText();

    // While a run lasts, the output folder it settled on stays in txtJPGOutPath without being derived again.
    void ShowRunOutputFolder(const std::string& folder);
    void EndRunOutputFolder();

    void SetObserver(SettingsObserver* observer) { mObserver = observer ? observer : &mNoObserver; }

private:
    // A control's value as typed, and as the program reads it: decoded, as a number, as a check.
    struct State {
        std::string value;
        std::u32string text;
        double number = 0;
        int check = 0;
        bool enabled = true;
    };
    static std::size_t Index(Control control) { return static_cast<std::size_t>(control); }
    void Store(Control control, const std::string& value);
    void Changed(Control control);  // tells the observer, by the control's name

    void KeepInRange(Control control);
    void OnTextChanged(Control control);
    void OnClick(Control control);
    void ApplyCanvasFont();
    void FontSizeCheck();
    void CanvasHeightFromMultiplier();

    std::vector<State> mStates;  // by Control
    std::vector<std::string> mFontEntries;
    PageCanvas mCanvas;
    bool mRunFolderLocked = false;
    bool mPathEditedDuringRun = false;
    bool mUpdatingPath = false;
    SettingsObserver mNoObserver;
    SettingsObserver* mObserver = &mNoObserver;
};

// The first of the default marked phrases: the notice a help-file converter stamps into its pages.
extern const char32_t* const kConverterNotice;

// The five default marked phrases, element 0 empty.
std::vector<std::u32string> DefaultMarkedPhrases();

// Formats a point size as the font box shows it: 8.25, 9.75, 12.
std::string FormatPoints(double points);
