#include "settings/StartUp.h"

#include "platform/Fonts.h"
#include "settings/SettingsModel.h"

void ApplyStartUpDefaults(SettingsModel& settings)
{
    settings.FillFontList(OfferedFaces());
    settings.SelectFont(OfferedFaces()[5]);
    settings.MarkedPhrases = DefaultMarkedPhrases();
    settings.SelectOption(0);
    if (settings.On("chkRotate"))
        settings.RotatePic();
    settings.SetCheck("chkWB", 1);
}
