#include "app/ScreenshotTour.h"

#include "app/AppWindows.h"
#include "app/frmEdit.h"
#include "app/frmTestMask.h"
#include "app/frmZENImg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

void Save(QWidget* window, const QString& path)
{
    QApplication::processEvents();
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, window->x(), window->y(), window->frameGeometry().width(),
                                                                 window->frameGeometry().height());
    if (shot.isNull())
        shot = window->grab();
    shot.save(path);
}

} // namespace

void StartScreenshotTour(AppWindows& windows, const std::string& folder, const std::string& sampleBook)
{
    frmLeafcast& window = windows.Main();
    frmConfig& config = windows.Config();
    SettingsModel& settings = windows.Document().Settings();
    const QString out = QString::fromStdString(folder);
    QDir().mkpath(out);
    window.move(0, 0);
    settings.TypeText("txtInpFile", sampleBook);
    settings.TypeText("txtOutFileName", "novel");
    // The pages are made only to be shown: they go into a folder of their own that goes when the program ends.
    auto pages = std::make_shared<QTemporaryDir>();
    if (pages->isValid())
        settings.UseOutputFolder(pages->path().toStdString() + "/");
    settings.TypeText("txtToPg", "3");
    window.chkStepF->setChecked(false);

    auto started = std::make_shared<bool>(false);
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, &config, &settings, out, timer, started, pages] {
        // Each step waits for the run to stand at page 3, or to end: a book may be shorter than that.
        if (!*started || (!window.Waiting() && window.Running()))
            return;
        timer->stop();
        if (!window.Waiting())
            window.ShowPageFile();  // the run has ended and cleared its canvas: show its last page
        Save(&window, out + "/main.png");
        settings.SetCheck("chkShowZEN", 1);
        window.Preview().move(window.x() + window.width() + 10, 0);
        QTimer::singleShot(300, &window, [&window, &config, &settings, out] {
            Save(&window.Preview(), out + "/preview.png");
            window.Preview().hide();
            config.move(window.x() + window.width() + 10, 0);
            config.show();
            QTimer::singleShot(300, &window, [&window, &config, &settings, out] {
                Save(&config, out + "/config.png");
                QTimer::singleShot(300, &window, [&window, out] {
                    Save(QApplication::activeModalWidget(), out + "/edit.png");
                    dynamic_cast<frmEdit*>(QApplication::activeModalWidget())->reject();
                });
                config.EditPhrases();
                QTimer::singleShot(300, &window, [&window, &settings, out] {
                    auto* tester = dynamic_cast<frmTestMask*>(QApplication::activeModalWidget());
                    tester->txtMaskToTest->setText(QString::fromStdString(settings.Value("txtChaptMask")));
                    tester->Test();
                    QTimer::singleShot(200, &window, [out, tester] {
                        Save(tester, out + "/testmask.png");
                        tester->btnCancel->click();
                    });
                });
                config.TestMasks();
                window.close();
            });
        });
    });
    timer->start(50);
    QTimer::singleShot(500, &window, [&window, started] {
        *started = true;
        window.Go();
    });
}
