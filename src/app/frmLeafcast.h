#pragma once

#include "engine/PageOutput.h"
#include "engine/RunHost.h"
#include "engine/RunState.h"

#include <QFont>
#include <QWidget>
#include <functional>
#include <memory>
#include <unordered_map>

class CanvasView;
class QCheckBox;
class QLabel;
class QPushButton;
class SettingsDocument;
class SettingsModel;
class frmZENImg;
struct RunResult;

// The main window: the page canvas, the run's buttons and progress, the page browser and the device actions.
// It follows the settings document, owns the run state, the page output and the device preview, and hosts the
// run on the user-interface thread.
class frmLeafcast : public QWidget, public RunHost {
    Q_OBJECT

public:
    // Runs the start-up: folders, state file, fonts, the remembered profile, defaults, welcome text.
    frmLeafcast(SettingsDocument& document, const std::string& appFolder);
    ~frmLeafcast() override;

    RunState& State() { return mState; }
    frmZENImg& Preview();   // made on first use
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
    QLabel* lblStatus = nullptr;  // how the last run ended: the pages it wrote and where
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

signals:
    void configRequested();  // the Config button: the settings window, shown
    void shuttingDown();     // the program ends: the other windows close

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void FollowCanvas();
    void ShowPreview(bool visible);
    void Relayout();
    void Step(int delta);
    void ShutDownNow();
    void Report(const std::string& text, bool problem);
    void ShowOutcome(const RunResult& result);
    // A path shortened in its folders to fit room pixels of lblOutFN's font.
    std::string Fitted(const std::string& path, int room);

    SettingsDocument& mDocument;
    SettingsModel& mSettings;
    RunState mState;
    PageOutput mOutput{mSettings, mState};
    std::unique_ptr<frmZENImg> mPreview;
    QFont mOutFont;                                // the font lblOutFN's character widths were taken in
    std::unordered_map<char16_t, int> mOutWidths;
    std::vector<std::string> mStartUpProblems;
    bool mRunning = false;
    bool mWaiting = false;
    bool mLicenceHinted = false;  // the hint about library e-books was given in this session
    bool mRestartRequested = false;
    bool mInSaveEventPass = false;
    bool mShutDown = false;
};
