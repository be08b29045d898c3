#pragma once

#include "imaging/Bitmap.h"

#include <string>
#include <string_view>

class SettingsModel;

// The mask tester's logic: the test, and the hand-back of the mask to the chapter or paragraph box.

struct MaskTestResult {
    bool matched = false;
    std::string error;   // a message for a message box: an empty mask or an empty text
    std::string label;   // "OK! Match" or "No Match"
    RgbQuad foreground;  // black on green for a match, white on red otherwise
    RgbQuad background;
};

// The whole text against the whole mask, case-sensitively; the text is taken as typed.
MaskTestResult TestMask(std::string_view mask, std::string_view text);

// Opening the tester: nothing accepted yet; the mask to start from.
std::string OpenMaskTester(SettingsModel& settings);
// Leaving it with OK (the mask as it stands) or Cancel.
void CloseMaskTester(SettingsModel& settings, bool ok, const std::string& mask);
// The settings side afterwards: an accepted mask goes into the paragraph box when it came from there, otherwise
// into the chapter box, and the status line says "Mask loaded"; else "Nothing done".
void ApplyMaskTesterResult(SettingsModel& settings);
