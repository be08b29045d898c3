#pragma once

#include <QImage>
#include <QWidget>

class PageCanvas;

// Shows the page canvas as it is laid out, or a page picture loaded from a file in its place.
class CanvasView : public QWidget {
public:
    explicit CanvasView(PageCanvas& canvas, QWidget* parent = nullptr);

    // Shows the canvas again (after it was drawn on) and fits the widget to its size. The canvas is turned into
    // a picture when it is next painted, once however often it was refreshed before.
    void Refresh();
    // Loads a page picture in place of the canvas; false when the file cannot be read as a picture.
    bool LoadPicture(const QString& path);
    // The same from a file's bytes held in memory (a page read out of an archive).
    bool LoadPictureData(const QByteArray& bytes);
    void RemovePicture();
    bool HasPicture() const { return !mPicture.isNull(); }
    // The canvas as a picture: converted once for each change of the canvas, and shared with whoever keeps it.
    QImage CanvasPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage Shown() const;  // the loaded picture, or else the canvas

    PageCanvas& mCanvas;
    mutable QImage mCanvasImage;
    mutable bool mStale = true;
    QImage mPicture;
};
