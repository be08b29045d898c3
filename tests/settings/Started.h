#pragma once

#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

// The settings as the program starts with them.
struct StartedSettings : SettingsModel {
    StartedSettings() { ApplyStartUpDefaults(*this); }
};
