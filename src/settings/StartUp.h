#pragma once

class SettingsModel;

// The settings as the program's start-up leaves them when no profile is remembered: the font list filled and
// its last-but-one face chosen, the default marked phrases, the first screen preset, white on black.
void ApplyStartUpDefaults(SettingsModel& settings);
