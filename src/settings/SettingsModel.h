#pragma once

#include "platform/PageCanvas.h"
#include "settings/Controls.h"

#include <optional>
#include <string>
#include <utility>
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
    // The entries a list offers: the faces for lstFonts, the table's own for the others.
    const std::vector<std::string>& ListEntries(Control list) const;

    // --- edits, each firing its reaction ---
    void SetText(Control control, const std::string& text);  // the change reaction
    void LeaveText(Control control);                         // the lost-focus reaction
    void TypeText(Control control, const std::string& text) { SetText(control, text), LeaveText(control); }
    void SetCheck(Control control, int value);  // fires the click when the value changes
    void Click(Control control);                // a user's click: toggles and fires
    void SetEnabled(Control control, bool enabled);
    void SelectOption(int index);               // selects optScrRes(index) and fires its click
    void ClearOption(int index);                // unselects without a click, as a reset does
    // Selects an entry of the font list, or any installed family (spelt in any case, kept as fontconfig spells
    // it); false, changing nothing, for any other name.
    bool SelectFont(const std::string& face);
    bool SelectEntry(Control list, const std::string& entry);  // the same for any list
    void FillFontList(const std::vector<std::string>& faces);

    // --- the same by control name (and member index for optScrRes), for profiles, --set and the widgets ---
    // An unknown name throws std::invalid_argument.
    static Control ControlNamed(const std::string& name, int index = -1);
    const std::string& Value(const std::string& name, int index = -1) const { return Value(ControlNamed(name, index)); }
    bool Enabled(const std::string& name, int index = -1) const { return Enabled(ControlNamed(name, index)); }
    void SetEnabled(const std::string& name, int index, bool enabled) { SetEnabled(ControlNamed(name, index), enabled); }
    int Check(const std::string& name) const { return Check(ControlNamed(name)); }
    void SetText(const std::string& name, const std::string& text) { SetText(ControlNamed(name), text); }
    void LeaveText(const std::string& name) { LeaveText(ControlNamed(name)); }
    void TypeText(const std::string& name, const std::string& text) { TypeText(ControlNamed(name), text); }
    void SetCheck(const std::string& name, int value) { SetCheck(ControlNamed(name), value); }
    void Click(const std::string& name) { Click(ControlNamed(name)); }

    // Applies a value to a control as a user's edit would (text: typed and left; check or option: clicked).
    // Answers an error message naming the control when it does not exist or cannot take the value.
    std::optional<std::string> ApplyEdit(const std::string& key, const std::string& value);

    // Why a control cannot take a value (a check box 0, 1 or 2, a number in a numeric text box, an entry of the
    // font list or an installed family), or nothing when it can. Options are not judged here.
    std::optional<std::string> RefusedValue(const ControlSpec& control, const std::string& value) const;

    // The reset offered after choosing a book: every check box cleared (each firing its click), no preset
    // selected, a list of fixed entries at its first, every control enabled; texts and the font list keep their
    // values.
    void ResetAllControls();

    // --- mirrors and derived values, set by the model's own reactions ---
    int ScreenWidth() const { return mScreenWidth; }
    int ScreenHeight() const { return mScreenHeight; }
    bool RotateOn() const { return mRotateOn; }
    bool RowNumbersOn() const { return mRowNumbersOn; }
    RgbQuad PageBackColor() const { return mPageBackColor; }
    RgbQuad PageForeColor() const { return mPageForeColor; }
    const std::string& InputPath() const { return mInputPath; }
    const std::string& FileRoot() const { return mFileRoot; }
    const std::string& InputFolder() const { return mInputFolder; }
    const std::string& OutputPath() const { return mOutputPath; }
    // Element 0 holds no phrase; the phrases are 1 .. n.
    const std::vector<std::u32string>& MarkedPhrases() const { return mMarkedPhrases; }
    const std::string& LastMask() const { return mLastMask; }
    int LastMaskKind() const { return mLastMaskKind; }
    bool MaskAccepted() const { return mMaskAccepted; }
    // The rows of the page on the canvas, a line feed between them.
    const std::u32string& PageText() const { return mPageText; }
    int Pic2Width() const { return mPic2Width; }
    int Pic2Height() const { return mPic2Height; }

    // --- what others may change of them ---
    void SetMarkedPhrases(std::vector<std::u32string> phrases) { mMarkedPhrases = std::move(phrases); }
    void AddMarkedPhrase(std::u32string phrase) { mMarkedPhrases.push_back(std::move(phrase)); }
    // The page text as the run prints it, and the welcome text put in its place.
    void AppendPageText(std::u32string_view text) { mPageText += text; }
    void SetPageText(std::u32string text) { mPageText = std::move(text); }
    // The mask tester's answer: whether it closed with OK, and the mask then to hand back.
    void SetMaskTesterResult(bool accepted, std::string mask);
    // The start of a run: the mirrors of chkRowNrs and chkRotate read again, and a root for a run without one.
    void BeginRun(const std::string& rootWhenNone);
    // The command line's --out: the pages go into this folder rather than the one derived from the book.
    void UseOutputFolder(const std::string& folder);

    double HeightMultiplier() const;

    // The custom screen, txtCustWidth by Text1 exchanged when chkSwapDim is set, when both are whole numbers of
    // pixels from kMinCustomSide to kMaxCustomSide; nothing otherwise.
    std::optional<std::pair<int, int>> CustomScreenSize() const;
    // Why a run cannot lay out the page these settings describe (Custom selected with a size out of range, or a
    // page taller than a canvas may be), or nothing when it can.
    std::optional<std::string> RefusedPageSize() const;

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
    void FollowCustomSize();  // the screen size from the custom boxes, when they hold one
    void EnableCustomBoxes(bool enabled);

    std::vector<State> mStates;  // by Control
    int mScreenWidth = 320;
    int mScreenHeight = 240;
    bool mRotateOn = false;
    bool mRowNumbersOn = false;
    RgbQuad mPageBackColor = RgbQuad::FromRgb(255, 255, 255);
    RgbQuad mPageForeColor = RgbQuad::FromRgb(0, 0, 0);
    std::string mInputPath;
    std::string mFileRoot;
    std::string mInputFolder;
    std::string mOutputPath;
    std::vector<std::u32string> mMarkedPhrases;
    std::string mLastMask;
    int mLastMaskKind = 0;
    bool mMaskAccepted = false;
    std::u32string mPageText;
    int mPic2Width = 320;
    int mPic2Height = 240;
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
