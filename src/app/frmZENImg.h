#pragma once

#include "app/PreviewPanes.h"
#include "imaging/Bitmap.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <optional>

class SettingsDocument;
class SettingsModel;

// The device-look preview: the page being made, inside a picture of a small media player drawn by our own code.
// ZENScr is the player's screen showing the page picture; ZENPic repeats the text as the run prints it;
// lblZENPic shows the plain text of the current page. It follows the settings document: cleared with the canvas,
// and in the canvas font and colours while it is shown.
class frmZENImg : public QWidget {
public:
    static constexpr int kBodyWidth = 357;
    static constexpr int kBodyHeight = 599;

    explicit frmZENImg(SettingsDocument& document);

    // The finished page and its text; a hidden preview only keeps them for when it is shown.
    void ShowPage(const Bitmap& page, const QString& pageText);
    // The same with the page's picture made already, for a preview that is shown.
    void ShowPicture(const QImage& picture, const QString& pageText);
    void Print(const QString& text, bool newRow);
    void ShowText(const QString& text);  // the welcome text: printed on ZENPic and put into lblZENPic
    void ClearScreen();                  // ZENPic cleared, lblZENPic emptied
    void ClearLabel();

    ScreenPane* ZENScr = nullptr;
    TextPane* ZENPic = nullptr;
    TextPane* lblZENPic = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The canvas font, 4 points smaller, and the canvas colours, for the texts.
    void FollowCanvasFont();
    void ShowKeptPage();
    void DrawBody(QPixmap& target) const;

    SettingsModel& mSettings;
    QString mPrinted;
    std::optional<Bitmap> mPage;  // the last page handed over while hidden, until it is shown
    QString mPageText;
    bool mPrintPending = false;   // the printed text waits for the next pass of events
    QString mStyle;               // the font and colours the texts were last given
    QPixmap mBody;                // the player's body, drawn once
};
