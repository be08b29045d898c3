#pragma once

#include <QWidget>
#include <map>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsDocument;
class SettingsModel;

// The settings window, "Leafcast Config": every setting in its frame, bound to the settings model so that a
// user's edit and an edit made by code (a profile load) have the same effects. OK hides it; it is never
// destroyed while the program runs. It follows the settings document: a control shows its value again when the
// model changes it, and the font sample follows the canvas font.
class frmConfig : public QWidget {
    Q_OBJECT

public:
    explicit frmConfig(SettingsDocument& document);

    // The widget of a control: "chkSmartLF", "optScrRes(1)", "lstFonts(0)", or a button's name.
    QWidget* Control(const std::string& key) const;
    template <typename T> T* Control(const std::string& key) const { return dynamic_cast<T*>(Control(key)); }

    // Shows the model's value and state of a control again.
    void Sync(const std::string& name);
    // The sample label follows the canvas font.
    void CanvasFontChanged();

    // The button actions, as a user triggers them.
    void ChooseInputFile(bool thenUpdatePath);
    // Takes a book as choosing it does, without the dialogs: the book, its folder and its root.
    void OpenBook(const std::string& file);
    void ChooseOutputFolder();
    void EditInputFile();
    void ChooseEditor();
    void EditPhrases();
    void TestMasks();
    void SaveProfileClicked();
    void LoadProfileClicked();

    QLabel* SampleLabel = nullptr;

signals:
    void aboutRequested();  // the About button: the welcome text, as the main window shows it

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The first time the window shows, the font list gets the installed families after the offered faces.
    void showEvent(QShowEvent* event) override;

private:
    void Build();
    void SyncControl(const std::string& key);

    SettingsDocument& mDocument;
    SettingsModel& mSettings;
    std::map<std::string, QWidget*> mControls;
    std::string mSampleFont;  // the canvas font the sample label shows
    bool mFamiliesListed = false;
};
