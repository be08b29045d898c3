#include "app/CanvasView.h"

#include "app/QtHost.h"
#include "platform/PageCanvas.h"

#include <QPainter>

CanvasView::CanvasView(PageCanvas& canvas, QWidget* parent) : QWidget(parent), mCanvas(canvas)
{
    setObjectName("Pic1");
    Refresh();
}

void CanvasView::Refresh()
{
    mStale = true;
    const QSize canvasSize(mCanvas.Width(), mCanvas.Height());
    if (size() != canvasSize)
        setFixedSize(canvasSize);
    update();
}

bool CanvasView::LoadPicture(const QString& path)
{
    mPicture = QImage(path);
    update();
    return !mPicture.isNull();
}

bool CanvasView::LoadPictureData(const QByteArray& bytes)
{
    mPicture = QImage::fromData(bytes);
    update();
    return !mPicture.isNull();
}

void CanvasView::RemovePicture()
{
    mPicture = QImage();
    update();
}

QImage CanvasView::Shown() const { return mPicture.isNull() ? CanvasPicture() : mPicture; }

QImage CanvasView::CanvasPicture() const
{
    if (mStale) {
        // Converted in place unless the last picture is still kept elsewhere (the preview shows it): then into a
        // new one, rather than copying the old first.
        if (mCanvasImage.isDetached())
            ToQImageInto(mCanvas.Image(), mCanvasImage);
        else
            mCanvasImage = ToQImage(mCanvas.Image());
        mStale = false;
    }
    return mCanvasImage;
}

void CanvasView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, Shown());
}
