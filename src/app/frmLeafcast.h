#pragma once

#include "engine/PageOutput.h"
#include "engine/RunHost.h"
#include "engine/RunState.h"
#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>
#include <unordered_map>

class CanvasView;
class QCheckBox;
class QLabel;
class QPushButton;
class frmConfig;
class frmZENImg;

// The main window: the page canvas, the run's buttons and progress, the page browser and the device actions.
// It owns the settings, the run state and the page output, and hosts the run on the user-interface thread.
class frmLeafcast : public QWidget, public RunHost, public SettingsObserver {
public:
    // Runs the start-up: folders, state file, fonts, the remembered profile, defaults, welcome text.
    explicit frmLeafcast(const std::string& appFolder);
    ~frmLeafcast() override;

    SettingsModel& Settings() { return mSettings; }
    AppContext& Context() { return mContext; }
    RunState& State() { return mState; }
    PageOutput& Output() { return mOutput; }
    frmConfig& Config();    // made on first use, hidden rather than destroyed
    frmZENImg& Preview();   // made on first use
    bool HasPreview() const { return mPreview != nullptr; }
    const std::vector<std::string>& StartUpProblems() const { return mStartUpProblems; }

    // The run's buttons and the browser, as a user presses them.
    void Go();
    void Pause();
    void Next() { Step(+1); }
    void Prev() { Step(-1); }
    bool Running() const { return mRunning; }
    bool Waiting() const { return mWaiting; }
    int ViewNumber = 0;
    bool ShowPageFile();
    void ShowWelcome(int idx);
    void ChooseDeviceFolder();
    void CopyToDevice();
    void OpenDestFolder();

    // What ends the program after shut-down; quits the application unless a test puts something else.
    std::function<void()> EndProgram;

    CanvasView* Pic1 = nullptr;
    QPushButton* btnGo = nullptr;
    QPushButton* btnPause = nullptr;
    QCheckBox* chkStepF = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnPrev = nullptr;
    QPushButton* btnConfig = nullptr;
    QPushButton* btnCopyToDev = nullptr;
    QPushButton* btnOpenFolder = nullptr;
    QPushButton* btnReset = nullptr;
    QPushButton* btnAbout = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblOutFN = nullptr;
    QLabel* lblProfile = nullptr;
    QLabel* lblDevPathCaption = nullptr;
    QLabel* lblDevPath = nullptr;

    // RunHost
    void PageSaveStarted(int fileNumber, std::uint64_t bytesRead, std::uint64_t inputLength) override;
    void PreviewPrint(std::u32string_view text, bool newRow) override;
    void PreviewPage(const Bitmap& page, std::u32string_view pageText) override;
    void PageFileShown(const std::string& path, bool written) override;
    void PausedChanged(bool paused) override;
    bool KeepRunning() override;
    bool WaitWhilePaused() override;
    void CanvasCleared() override;

    // SettingsObserver
    void ControlChanged(const std::string& key) override;
    void CanvasChanged() override;
    void PreviewCleared() override;
    void PreviewLabelCleared() override;
    void PreviewShown(bool visible) override;
    void LayoutChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    void Step(int delta);
    void ShutDownNow();
    void Report(const std::string& text, bool problem);

    SettingsModel mSettings;
    AppContext mContext;
    RunState mState;
    PageOutput mOutput{mSettings, mState};
    std::unique_ptr<frmConfig> mConfig;
    std::unique_ptr<frmZENImg> mPreview;
    QFont mOutFont;                                // the font lblOutFN's character widths were taken in
    std::unordered_map<char16_t, int> mOutWidths;
    std::vector<std::string> mStartUpProblems;
    bool mRunning = false;
    bool mWaiting = false;
    bool mRestartRequested = false;
    bool mInSaveEventPass = false;
    bool mShutDown = false;
};
