#pragma once

#include "app/SettingsDocument.h"
#include "app/frmConfig.h"
#include "app/frmLeafcast.h"

#include <string>

// The desktop program's windows over one settings document. Each window follows the document and knows no
// other; what one asks of another is passed on here: the settings window's About shows the main window's
// welcome text, the main window's Config button shows the settings window, and the settings window closes
// with the main window.
class AppWindows {
public:
    // Makes the settings window, hidden, then the main window, which runs the start-up in appFolder.
    explicit AppWindows(const std::string& appFolder);

    SettingsDocument& Document() { return mDocument; }
    frmLeafcast& Main() { return mMain; }
    frmConfig& Config() { return mConfig; }

private:
    SettingsDocument mDocument;
    frmConfig mConfig;
    frmLeafcast mMain;
};
