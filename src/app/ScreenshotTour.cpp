#include "app/ScreenshotTour.h"

#include "app/frmConfig.h"
#include "app/frmEdit.h"
#include "app/frmLeafcast.h"
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

void StartScreenshotTour(frmLeafcast& window, const std::string& folder, const std::string& sampleBook)
{
    const QString out = QString::fromStdString(folder);
    QDir().mkpath(out);
    window.move(0, 0);
    window.Settings().TypeText("txtInpFile", sampleBook);
    window.Settings().TypeText("txtOutFileName", "novel");
    window.Settings().TypeText("txtToPg", "3");
    window.chkStepF->setChecked(false);

    auto shots = std::make_shared<int>(0);
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, out, shots, timer] {
        // Each step waits for the run to stand at page 3.
        if (!window.Waiting())
            return;
        timer->stop();
        Save(&window, out + "/main.png");
        window.Settings().SetCheck("chkShowZEN", 1);
        window.Preview().move(window.x() + window.width() + 10, 0);
        QTimer::singleShot(300, &window, [&window, out] {
            Save(&window.Preview(), out + "/preview.png");
            window.Preview().hide();
            window.Config().move(window.x() + window.width() + 10, 0);
            window.Config().show();
            QTimer::singleShot(300, &window, [&window, out] {
                Save(&window.Config(), out + "/config.png");
                QTimer::singleShot(300, &window, [&window, out] {
                    Save(QApplication::activeModalWidget(), out + "/edit.png");
                    dynamic_cast<frmEdit*>(QApplication::activeModalWidget())->reject();
                });
                window.Config().EditPhrases();
                QTimer::singleShot(300, &window, [&window, out] {
                    auto* tester = dynamic_cast<frmTestMask*>(QApplication::activeModalWidget());
                    tester->txtMaskToTest->setText(QString::fromStdString(window.Settings().Value("txtChaptMask")));
                    tester->Test();
                    QTimer::singleShot(200, &window, [out, tester] {
                        Save(tester, out + "/testmask.png");
                        tester->btnCancel->click();
                    });
                });
                window.Config().TestMasks();
                window.close();
            });
        });
    });
    timer->start(50);
    QTimer::singleShot(500, &window, [&window] { window.Go(); });
}
