#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class SettingsModel;

// The device-look preview: the page being made, inside a picture of a small media player drawn by our own code.
// ZENScr is the player's screen showing the page picture; ZENPic repeats the text as the run prints it;
// lblZENPic shows the plain text of the current page.
class frmZENImg : public QWidget {
public:
    static constexpr int kBodyWidth = 357;
    static constexpr int kBodyHeight = 599;

    explicit frmZENImg(SettingsModel& settings);

    void ShowPage(const QImage& page, const QString& pageText);
    void Print(const QString& text, bool newRow);
    void ShowText(const QString& text);  // the welcome text: printed on ZENPic and put into lblZENPic
    void ClearScreen();                  // ZENPic cleared, lblZENPic emptied
    void ClearLabel();
    // The canvas font, 4 points smaller, for the texts.
    void FollowCanvasFont();

    QLabel* ZENScr = nullptr;
    QLabel* ZENPic = nullptr;
    QLabel* lblZENPic = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    SettingsModel& mSettings;
    QString mPrinted;
};
