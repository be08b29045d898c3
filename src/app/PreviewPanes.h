#pragma once

#include "platform/PageCanvas.h"
#include "imaging/Bitmap.h"

#include <QFont>
#include <QImage>
#include <QWidget>
#include <string>

// The parts of the device preview that change with every page, drawn by us rather than by labels, so that a
// page costs one conversion of its picture and one layout of its text.

// The player's screen: the page picture fitted into the pane on black.
class ScreenPane : public QWidget {
public:
    explicit ScreenPane(QWidget* parent);
    // The page is converted into the pane's own picture, whose memory is kept from page to page.
    void SetPage(const Bitmap& page);
    // A picture made already, shared rather than copied.
    void SetPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage mPage;
};

// Plain text already broken into rows (LF or CR LF between them), in a face at a size and two colours, from the
// top-left with a small margin. It is drawn with the pages' own text renderer, and only when the pane is painted.
class TextPane : public QWidget {
public:
    explicit TextPane(QWidget* parent);
    void SetText(const QString& text);
    void Clear() { SetText({}); }
    void SetLook(const std::string& face, double points, bool bold, RgbQuad back, RgbQuad fore);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString mText;
    PageCanvas mCanvas;
    QImage mPicture;
    bool mStale = true;  // the picture does not show the text yet
};
