#include "app/frmLeafcast.h"

#include "app/CanvasView.h"
#include "app/QtHost.h"
#include "app/SettingsDocument.h"
#include "app/Welcome.h"
#include "app/frmZENImg.h"
#include "base/Text.h"
#include "engine/ConversionRun.h"
#include "engine/PageLookup.h"
#include "platform/Paths.h"
#include "settings/StartUp.h"
#include "viewer/DeviceCopy.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <cmath>

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 28;
constexpr int kCanvasTop = 4 * (kButtonHeight + 4) + 44;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A label that reports clicks, for the device path.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent*) override
    {
        if (clicked)
            clicked();
    }
};

} // namespace

frmLeafcast::frmLeafcast(SettingsDocument& document, const std::string& appFolder)
    : mDocument(document), mSettings(document.Settings())
{
    setObjectName("frmLeafcast");
    setWindowTitle("Leafcast");
    EndProgram = [] { QCoreApplication::quit(); };
    mState.FileNumber = 0;  // no page before the first run: the first Next looks for page 1
    BuildControls();
    connect(&mDocument, &SettingsDocument::canvasChanged, this, &frmLeafcast::FollowCanvas);
    connect(&mDocument, &SettingsDocument::layoutChanged, this, &frmLeafcast::Relayout);
    connect(&mDocument, &SettingsDocument::previewShown, this, &frmLeafcast::ShowPreview);

    AppContext& context = mDocument.Context();
    context = MakeAppContext(appFolder, mStartUpProblems);
    const StartUpResult started = StartUp(mSettings, context);
    mStartUpProblems.insert(mStartUpProblems.end(), started.problems.begin(), started.problems.end());
    lblDevPath->setText(Q(context.DeviceFolder));
    lblProfile->setText(Q(started.profileLabel));
    btnPause->setEnabled(false);
    Relayout();
    ShowWelcome(0);
}

frmLeafcast::~frmLeafcast() = default;

void frmLeafcast::BuildControls()
{
    Pic1 = new CanvasView(mSettings.Canvas(), this);
    auto button = [this](const char* name, const char* caption, int column, int row) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(kMargin + column * (kButtonWidth + 4), kMargin + row * (kButtonHeight + 4), kButtonWidth,
                       kButtonHeight);
        return b;
    };
    btnGo = button("btnGo", "&Go", 0, 0);
    btnPause = button("btnPause", "&Pause", 1, 0);
    btnReset = button("btnReset", "&Reset", 3, 0);
    btnPrev = button("btnPrev", "<< Pre&v", 0, 1);
    btnNext = button("btnNext", "&Next >>", 1, 1);
    btnConfig = button("btnConfig", "Con&fig", 2, 1);
    btnAbout = button("btnAbout", "&About", 3, 1);
    btnCopyToDev = button("btnCopyToDev", "&Copy to Device", 0, 2);
    btnOpenFolder = button("btnOpenFolder", "&Open Dest. folder", 1, 2);
    Command2 = button("Command2", "&End", 3, 2);
    btnCopyToDev->setFixedWidth(kButtonWidth + 20);
    btnOpenFolder->move(btnOpenFolder->x() + 20, btnOpenFolder->y());
    btnOpenFolder->setFixedWidth(kButtonWidth + 28);

    chkStepF = new QCheckBox("&Stepped", this);
    chkStepF->setObjectName("chkStepF");
    chkStepF->setChecked(true);
    chkStepF->setGeometry(kMargin + 2 * (kButtonWidth + 4) + 6, kMargin, kButtonWidth, kButtonHeight);

    auto label = [this](const char* name, const char* text, int x, int y, int width) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setGeometry(x, y, width, 20);
        return l;
    };
    const int labelsTop = kMargin + 3 * (kButtonHeight + 4) + 2;
    Label1 = label("Label1", "File #", kMargin, labelsTop, 100);
    Label2 = label("Label2", "Read %", kMargin + 105, labelsTop, 110);
    Label3 = label("Label3", "Current #", kMargin + 220, labelsTop, 120);
    lblProfile = label("lblProfile", "Profile: ", kMargin, labelsTop + 22, 330);
    lblOutFN = label("lblOutFN", "", kMargin, 0, 330);
    lblStatus = label("lblStatus", "", kMargin, 0, 330);
    lblDevPathCaption = label("lblDevPathCaption", "Device Path:", kMargin, 0, 80);
    auto* devicePath = new ClickLabel(this);
    devicePath->setObjectName("lblDevPath");
    devicePath->setToolTip("Click to choose the player's folder");
    devicePath->setCursor(Qt::PointingHandCursor);
    devicePath->clicked = [this] { ChooseDeviceFolder(); };
    lblDevPath = devicePath;

    connect(btnGo, &QPushButton::clicked, this, [this] { Go(); });
    connect(btnReset, &QPushButton::clicked, this, [this] { Go(); });
    connect(btnPause, &QPushButton::clicked, this, [this] { Pause(); });
    connect(chkStepF, &QCheckBox::clicked, this, [this](bool on) { mState.Stepped = on; });
    connect(btnNext, &QPushButton::clicked, this, [this] { Next(); });
    connect(btnPrev, &QPushButton::clicked, this, [this] { Prev(); });
    connect(btnConfig, &QPushButton::clicked, this, [this] { emit configRequested(); });
    connect(btnAbout, &QPushButton::clicked, this, [this] { ShowWelcome(1); });
    connect(btnCopyToDev, &QPushButton::clicked, this, [this] { CopyToDevice(); });
    connect(btnOpenFolder, &QPushButton::clicked, this, [this] { OpenDestFolder(); });
    connect(Command2, &QPushButton::clicked, this, [this] { close(); });
}

void frmLeafcast::Relayout()
{
    Pic1->Refresh();
    Pic1->move(kMargin, kCanvasTop);
    const int bottom = Pic1->y() + Pic1->height();
    lblOutFN->move(kMargin, bottom + 10);
    lblStatus->move(kMargin, lblOutFN->y() + lblOutFN->height() + 10);
    lblDevPathCaption->move(kMargin, lblStatus->y() + lblStatus->height() + 10);
    const int width = std::max(Pic1->width(), 4 * (kButtonWidth + 4) + 24) + 2 * kMargin;
    lblOutFN->setFixedWidth(width - 2 * kMargin);
    lblStatus->setFixedWidth(width - 2 * kMargin);
    lblDevPath->setGeometry(kMargin + 85, lblDevPathCaption->y(), width - 2 * kMargin - 85, 20);
    setFixedSize(width, lblDevPathCaption->y() + 30);
}

frmZENImg& frmLeafcast::Preview()
{
    if (!mPreview) {
        mPreview = std::make_unique<frmZENImg>(mDocument);
        mPreview->move(x(), frameGeometry().bottom() + 2);
    }
    return *mPreview;
}

void frmLeafcast::Go()
{
    if (mRunning) {
        // A run is in progress (this click came through its event pass or its wait): end it at its stopping
        // point, and its own Go starts the new one, instead of a second run inside the first.
        mRestartRequested = true;
        return;
    }
    do {
        mRestartRequested = false;
        mRunning = true;
        btnGo->setEnabled(false);
        btnPause->setEnabled(true);
        btnPause->setFocus();
        mState.Stepped = chkStepF->isChecked();
        Pic1->RemovePicture();
        lblStatus->clear();
        ConversionRun run(mSettings, mState, mOutput, *this);
        const RunResult result = run.Run();
        mRunning = false;
        mWaiting = false;
        Pic1->Refresh();
        ShowOutcome(result);
        if (result.libraryLicence && !mLicenceHinted) {
            // Said once: the settings window's status line keeps it until the next message.
            mLicenceHinted = true;
            mSettings.SetText("txtMsg", "A Project Gutenberg e-book: Load profile \"ebook\" to leave its licence out "
                                        "and lay it out as the book does");
        }
        if (result.outcome == RunResult::Outcome::Failed) {
            // A run that could not start (no book, say) leaves Go usable, so that the user can try again, and
            // Pause as it was before: a click on it would otherwise pause the next run after its first page.
            if (mState.PagesWritten == 0) {
                btnGo->setEnabled(true);
                btnPause->setEnabled(false);
                mState.Paused = false;
                btnPause->setText("&Pause");
            }
            Report(result.error, true);
        }
        if (mState.ClosingRequested) {
            ShutDownNow();
            return;
        }
    } while (mRestartRequested);
}

void frmLeafcast::Pause()
{
    mState.Paused = !mState.Paused;
    btnPause->setText(mState.Paused ? "&Continue" : "&Pause");
    ViewNumber = mState.FileNumber;
    // The page about to be saved is never cleared by a click handled in the event pass of its save.
    if (!mInSaveEventPass) {
        Pic1->RemovePicture();
        mSettings.ClearCanvas();
        Pic1->Refresh();
    }
}

void frmLeafcast::Step(int delta)
{
    if (ViewNumber == 0)
        ViewNumber = mState.FileNumber;
    ViewNumber += delta;
    if (!ShowPageFile())
        ViewNumber -= delta;
    Label3->setText("Current " + QString::number(ViewNumber));
}

bool frmLeafcast::ShowPageFile()
{
    // The page is looked for by its number, whatever chapter text its name holds and in whichever chapter folder,
    // or in the archive when the pages go into one.
    const std::string& folder = mSettings.OutputPath();
    const std::string root = RootPiece(mSettings.FileRoot(), NameMaxFor(folder));
    Pic1->RemovePicture();
    std::string problem;
    if (mSettings.On(Control::chkCompress)) {
        const std::string archive = folder + root + std::string(kArchiveExtension);
        const std::optional<std::string> page = ReadArchivePage(archive, root, ViewNumber);
        if (page && Pic1->LoadPictureData(QByteArray(page->data(), static_cast<qsizetype>(page->size()))))
            return true;
        problem = "Page " + PageNumberText(ViewNumber) +
                  (page ? " of " + archive + " cannot be read!" : " not found in " + archive + "!");
    } else {
        const std::optional<std::string> path = FindPageFile(folder, root, ViewNumber);
        if (path && Pic1->LoadPicture(Q(*path)))
            return true;
        problem = path ? "File " + *path + " cannot be read!"
                       : "File " + folder + root + "_" + PageNumberText(ViewNumber) + " (...)" +
                             (mSettings.Value(Control::lstPageFormat) == "PNG" ? ".png" : ".jpg") + " not found!";
    }
    PageCanvas& canvas = mSettings.Canvas();
    canvas.Clear();
    canvas.Print(FromUtf8(problem), PageCanvas::Then::StayOnRow);
    Pic1->Refresh();
    if (mPreview)
        mPreview->ClearScreen();
    return false;
}

void frmLeafcast::ShowWelcome(int idx)
{
    const std::string text = WelcomeText();
    if (idx != 0) {
        CurrentDialogs().Message(this, text, ProgramTitle(), Dialogs::Icon::Information);
        return;
    }
    PageCanvas& canvas = mSettings.Canvas();
    const std::string name = canvas.FontName();
    const double size = std::round(canvas.FontSize());
    const bool bold = canvas.FontBold();
    canvas.SetFont("ProggyCleanTT", 9.75, false);  // its stand-in where it is missing
    canvas.SetCurrentY(0);
    mSettings.SetPageText(FromUtf8(text));
    mSettings.ReprintPageText();
    Preview().ShowText(Q(text));
    canvas.SetFont(name, size, bold);
    mDocument.CanvasChanged();  // the font sample and the preview follow the canvas font again, not the welcome's
}

void frmLeafcast::ChooseDeviceFolder()
{
    std::string& folder = mDocument.Context().DeviceFolder;
    folder = CurrentDialogs().PickFolder(this, "Folders");
    lblDevPath->setText(Q(folder));
}

void frmLeafcast::CopyToDevice()
{
    const std::string& device = mDocument.Context().DeviceFolder;
    const std::string& folder = mSettings.Value("txtJPGOutPath");
    const std::string archive =
        folder + RootPiece(mSettings.FileRoot(), NameMaxFor(folder)) + std::string(kArchiveExtension);
    const DeviceCopyResult result = mSettings.On(Control::chkCompress) ? CopyArchiveToDevice(archive, device)
                                                                       : CopyPagesToDevice(folder, device);
    Report(result.message, !result.ok);
}

void frmLeafcast::OpenDestFolder()
{
    const std::string& folder = mSettings.Value("txtJPGOutPath");
    const char* home = std::getenv("HOME");
    CurrentDialogs().OpenWithDefault(folder.empty() ? std::string(home ? home : "/") : folder);
}

void frmLeafcast::ShowOutcome(const RunResult& result)
{
    const char* how = result.outcome == RunResult::Outcome::Finished ? "Done: "
                      : result.outcome == RunResult::Outcome::Failed ? "Failed: "
                                                                     : "Stopped: ";
    const int pages = mState.PagesWritten;
    if (pages == 0) {
        lblStatus->setText(Q(std::string(how) + "no page written"));
        return;
    }
    if (mOutput.IntoArchive() && result.archive.empty()) {
        lblStatus->setText(Q(std::string(how) + "the archive was not written"));
        return;
    }
    const std::string written = std::string(how) + std::to_string(pages) + (pages == 1 ? " page" : " pages") +
                                " written to ";
    const int room = lblStatus->width() - QFontMetrics(lblStatus->font()).horizontalAdvance(Q(written));
    lblStatus->setText(Q(written + Fitted(result.archive.empty() ? mSettings.OutputPath() : result.archive, room)));
}

void frmLeafcast::Report(const std::string& text, bool problem)
{
    CurrentDialogs().Message(this, text, ProgramTitle(), problem ? Dialogs::Icon::Exclamation : Dialogs::Icon::Information);
}

void frmLeafcast::closeEvent(QCloseEvent* event)
{
    if (mRunning) {
        // The run ends after its next saved page, or at once when it is paused; its Go then shuts down.
        mState.ClosingRequested = true;
        event->ignore();
        return;
    }
    ShutDownNow();
    event->accept();
}

void frmLeafcast::ShutDownNow()
{
    if (mShutDown)
        return;
    mShutDown = true;
    emit shuttingDown();
    if (mPreview)
        mPreview->hide();
    if (auto saved = ShutDown(mSettings, mDocument.Context()); !saved)
        Report(saved.Failure().message, true);
    hide();
    EndProgram();
}

void frmLeafcast::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_PageDown)
        btnNext->click();
    else if (event->key() == Qt::Key_PageUp)
        btnPrev->click();
    else
        QWidget::keyPressEvent(event);
}

void frmLeafcast::PageSaveStarted(int fileNumber, std::uint64_t bytesRead, std::uint64_t inputLength)
{
    Pic1->Refresh();
    mInSaveEventPass = true;
    QCoreApplication::processEvents();
    mInSaveEventPass = false;
    Label1->setText("File: " + QString::number(fileNumber));
    const double read = inputLength ? 100.0 * static_cast<double>(bytesRead) / static_cast<double>(inputLength) : 100.0;
    Label2->setText("Read " + QString::number(read, 'f', 1) + "%");
    Label3->setText("Current " + QString::number(fileNumber));
    ViewNumber = fileNumber;
}

void frmLeafcast::PreviewPrint(std::u32string_view text, bool newRow) { Preview().Print(Q(ToUtf8(text)), newRow); }

void frmLeafcast::PreviewPage(const Bitmap& page, std::u32string_view pageText)
{
    // A shown preview takes the picture the canvas view has just made of the same page.
    if (mPreview && mPreview->isVisible())
        mPreview->ShowPicture(Pic1->CanvasPicture(), Q(ToUtf8(pageText)));
    else
        Preview().ShowPage(page, Q(ToUtf8(pageText)));
}

void frmLeafcast::PageFileShown(const std::string& path, bool)
{
    // The path alone is shortened, to leave room for the caption in front of it.
    lblOutFN->setText(Q("File: " + Fitted(path, lblOutFN->width() - 100)));
}

std::string frmLeafcast::Fitted(const std::string& path, int room)
{
    // A page's path is measured character by character from widths kept for the label's font: laying the whole
    // text out for every try of every page cost more than the page.
    if (mOutFont != lblOutFN->font()) {
        mOutFont = lblOutFN->font();
        mOutWidths.clear();
    }
    const QFontMetrics metrics(mOutFont);
    const auto measure = [&](std::string_view text) {
        int width = 0;
        for (const QChar c : Q(std::string(text))) {
            auto [known, fresh] = mOutWidths.try_emplace(c.unicode(), 0);
            if (fresh)
                known->second = metrics.horizontalAdvance(c);
            width += known->second;
        }
        return width;
    };
    return CompactToFit(path, room, measure);
}

void frmLeafcast::PausedChanged(bool paused) { btnPause->setText(paused ? "&Continue" : "&Pause"); }

bool frmLeafcast::KeepRunning() { return !mRestartRequested && !mState.ClosingRequested; }

bool frmLeafcast::WaitWhilePaused()
{
    mWaiting = true;
    QThread::msleep(10);
    QCoreApplication::processEvents();
    mWaiting = false;
    return KeepRunning();
}

void frmLeafcast::CanvasCleared()
{
    Pic1->Refresh();
}

void frmLeafcast::FollowCanvas()
{
    if (Pic1->size() != QSize(mSettings.Canvas().Width(), mSettings.Canvas().Height()))
        Relayout();
    else
        Pic1->Refresh();
}

void frmLeafcast::ShowPreview(bool visible)
{
    if (visible)
        Preview().show();
    else if (mPreview)
        mPreview->hide();
}
