#include "app/AppWindows.h"

AppWindows::AppWindows(const std::string& appFolder) : mConfig(mDocument), mMain(mDocument, appFolder)
{
    QObject::connect(&mMain, &frmLeafcast::configRequested, &mConfig, [this] {
        mConfig.show();
        mConfig.raise();
    });
    QObject::connect(&mMain, &frmLeafcast::shuttingDown, &mConfig, &QWidget::hide);
    QObject::connect(&mConfig, &frmConfig::aboutRequested, &mMain, [this] { mMain.ShowWelcome(1); });
}
