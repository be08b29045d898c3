#include "settings/MaskTester.h"

#include "base/MaskPattern.h"
#include "base/Text.h"
#include "settings/SettingsModel.h"

MaskTestResult TestMask(std::string_view mask, std::string_view text)
{
    MaskTestResult result;
    if (mask.empty())
        result.error = "ERROR: Empty Mask Text string";
    else if (text.empty())
        result.error = "ERROR: Empty TextToTest string";
    else
        result.matched = MatchesMask(FromUtf8(text), FromUtf8(mask));
    if (result.matched) {
        result.label = "OK! Match";
        result.foreground = RgbQuad::FromRgb(0, 0, 0);
        result.background = RgbQuad::FromRgb(0, 255, 0);
    } else {
        result.label = "No Match";
        result.foreground = RgbQuad::FromRgb(255, 255, 255);
        result.background = RgbQuad::FromRgb(255, 0, 0);
    }
    return result;
}

std::string OpenMaskTester(SettingsModel& settings)
{
    settings.SetMaskTesterResult(false, settings.LastMask());
    return settings.LastMask();
}

void CloseMaskTester(SettingsModel& settings, bool ok, const std::string& mask)
{
    settings.SetMaskTesterResult(ok, ok ? mask : std::string());
}

void ApplyMaskTesterResult(SettingsModel& settings)
{
    if (!settings.MaskAccepted()) {
        settings.SetText(Control::txtMsg, "Nothing done");
        return;
    }
    settings.SetText(settings.LastMaskKind() >= 2 ? Control::txtParagrMask : Control::txtChaptMask, settings.LastMask());
    settings.SetText(Control::txtMsg, "Mask loaded");
}
