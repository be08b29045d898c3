#pragma once

#include "settings/SettingsModel.h"
#include "settings/StartUp.h"

#include <QObject>
#include <string>

// What the windows share: the settings and the program's folders. The document is the settings model's one
// listener and passes on what the model changes as signals, which each window follows; so no window needs
// another to learn of a change.
class SettingsDocument : public QObject, public SettingsObserver {
    Q_OBJECT

public:
    SettingsDocument();
    ~SettingsDocument() override;

    SettingsModel& Settings() { return mSettings; }
    AppContext& Context() { return mContext; }

    // The model's news, each passed on as the signal of the same name. A window that draws on the canvas
    // itself, past the model, tells of it through CanvasChanged too.
    void ControlChanged(const std::string& key) override { emit controlChanged(key); }
    void CanvasChanged() override { emit canvasChanged(); }
    void PreviewCleared() override { emit previewCleared(); }
    void PreviewLabelCleared() override { emit previewLabelCleared(); }
    void PreviewShown(bool visible) override { emit previewShown(visible); }
    void LayoutChanged() override { emit layoutChanged(); }

signals:
    void controlChanged(const std::string& key);  // a control's value or state, by name ("optScrRes", "lstFonts")
    void canvasChanged();                          // size, font or colours of the canvas, or the canvas cleared
    void previewCleared();                         // the preview's picture cleared and its label emptied
    void previewLabelCleared();                    // the preview's label emptied (a new font)
    void previewShown(bool visible);
    void layoutChanged();                          // preset, swap or turn: the main window fits the canvas again

private:
    SettingsModel mSettings;
    AppContext mContext;
};
