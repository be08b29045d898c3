#include "app/PreviewPanes.h"

#include "app/QtHost.h"

#include <QPainter>

ScreenPane::ScreenPane(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void ScreenPane::SetPage(const Bitmap& page)
{
    ToQImageInto(page, mPage);
    update();
}

void ScreenPane::SetPicture(const QImage& picture)
{
    mPage = picture;
    update();
}

void ScreenPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (mPage.isNull())
        return;
    if (mPage.size() == size()) {
        painter.drawImage(0, 0, mPage);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = mPage.size().scaled(size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted), mPage);
}

TextPane::TextPane(QWidget* parent) : QWidget(parent), mCanvas(1, 1) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TextPane::SetText(const QString& text)
{
    if (text == mText)
        return;
    mText = text;
    mStale = true;
    update();
}

void TextPane::SetLook(const std::string& face, double points, bool bold, RgbQuad back, RgbQuad fore)
{
    mCanvas.SetFont(face, points, bold);
    mCanvas.SetBackColor(back);
    mCanvas.SetForeColor(fore);
    mStale = true;
    update();
}

void TextPane::resizeEvent(QResizeEvent*)
{
    mCanvas.Resize(std::max(1, width()), std::max(1, height()));
    mStale = true;
}

void TextPane::paintEvent(QPaintEvent*)
{
    constexpr float kMargin = 4;
    if (mText.isEmpty()) {
        // Cleared at every page: nothing to draw but the background.
        const RgbQuad back = mCanvas.BackColor();
        QPainter(this).fillRect(rect(), QColor(back.red, back.green, back.blue));
        return;
    }
    if (mStale) {
        mStale = false;
        mCanvas.Clear();
        mCanvas.SetCurrentY(kMargin);
        const std::u32string text = mText.toStdU32String();
        for (std::size_t from = 0; from <= text.size() && mCanvas.CurrentY() < static_cast<float>(height());) {
            std::size_t end = text.find(U'\n', from);
            if (end == std::u32string::npos)
                end = text.size();
            std::u32string_view row(text.data() + from, end - from);
            if (!row.empty() && row.back() == U'\r')
                row.remove_suffix(1);
            mCanvas.SetCurrentX(kMargin);
            mCanvas.Print(row, PageCanvas::Then::NewRow);
            from = end + 1;
        }
        ToQImageInto(mCanvas.Image(), mPicture);
    }
    QPainter(this).drawImage(0, 0, mPicture);
}
