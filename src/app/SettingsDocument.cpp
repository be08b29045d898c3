#include "app/SettingsDocument.h"

SettingsDocument::SettingsDocument() { mSettings.SetObserver(this); }

SettingsDocument::~SettingsDocument() { mSettings.SetObserver(nullptr); }
