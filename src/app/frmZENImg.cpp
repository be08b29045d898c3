#include "app/frmZENImg.h"

#include "app/QtHost.h"
#include "app/SettingsDocument.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {
const QRect kScreen(18, 46, 320, 240);
constexpr int kPanelLeft = frmZENImg::kBodyWidth + 12;
constexpr int kPanelWidth = 330;
} // namespace

frmZENImg::frmZENImg(SettingsDocument& document) : mSettings(document.Settings())
{
    setObjectName("frmZENImg");
    setWindowTitle("Leafcast - device preview");
    setFixedSize(kPanelLeft + kPanelWidth + 10, kBodyHeight);

    ZENScr = new ScreenPane(this);
    ZENScr->setObjectName("ZENScr");
    ZENScr->setGeometry(kScreen);

    // The rows come laid out already: no wrapping to work out again at every page.
    ZENPic = new TextPane(this);
    ZENPic->setObjectName("ZENPic");
    ZENPic->setGeometry(kPanelLeft, 10, kPanelWidth, kBodyHeight / 2 - 15);

    lblZENPic = new TextPane(this);
    lblZENPic->setObjectName("lblZENPic");
    lblZENPic->setGeometry(kPanelLeft, kBodyHeight / 2 + 5, kPanelWidth, kBodyHeight / 2 - 15);
    lblZENPic->SetText("lblZENScr");
    FollowCanvasFont();
    // A hidden preview takes the font and colours when it is shown.
    connect(&document, &SettingsDocument::canvasChanged, this, [this] {
        if (isVisible())
            FollowCanvasFont();
    });
    connect(&document, &SettingsDocument::previewCleared, this, &frmZENImg::ClearScreen);
    connect(&document, &SettingsDocument::previewLabelCleared, this, &frmZENImg::ClearLabel);
}

void frmZENImg::FollowCanvasFont()
{
    const PageCanvas& canvas = mSettings.Canvas();
    QFont font(QString::fromStdString(canvas.FontFamily()));
    // Four points below the page's size, but never too small to read.
    font.setPointSizeF(std::max(6.0, canvas.FontSize() - 4));
    font.setBold(canvas.FontBold());
    const RgbQuad back = mSettings.PageBackColor(), fore = mSettings.PageForeColor();
    // A new look draws the texts again: only for a font or colours that really changed.
    const QString applied = font.toString() + QColor(back.red, back.green, back.blue).name() +
                            QColor(fore.red, fore.green, fore.blue).name();
    if (applied == mStyle)
        return;
    mStyle = applied;
    lblZENPic->SetLook(canvas.FontName(), font.pointSizeF(), font.bold(), back, fore);
    ZENPic->SetLook("Tahoma", font.pointSizeF(), font.bold(), back, fore);
}

void frmZENImg::ShowPage(const Bitmap& page, const QString& pageText)
{
    if (isVisible()) {
        ZENScr->SetPage(page);
        lblZENPic->SetText(pageText);
        return;
    }
    mPage = page;
    mPageText = pageText;
}

void frmZENImg::ShowPicture(const QImage& picture, const QString& pageText)
{
    mPage.reset();
    ZENScr->SetPicture(picture);
    lblZENPic->SetText(pageText);
}

void frmZENImg::ShowKeptPage()
{
    if (!mPage)
        return;
    ZENScr->SetPage(*mPage);
    mPage.reset();
    lblZENPic->SetText(mPageText);
}

void frmZENImg::Print(const QString& text, bool newRow)
{
    mPrinted += text;
    if (newRow)
        mPrinted += '\n';
    // The screen changes only when events are let through, once per page: the label takes the text then, not
    // at every word.
    if (isVisible() && !mPrintPending) {
        mPrintPending = true;
        QTimer::singleShot(0, this, [this] {
            mPrintPending = false;
            ZENPic->SetText(mPrinted);
        });
    }
}

void frmZENImg::showEvent(QShowEvent* event)
{
    FollowCanvasFont();
    ShowKeptPage();
    ZENPic->SetText(mPrinted);
    QWidget::showEvent(event);
}

void frmZENImg::ShowText(const QString& text)
{
    mPrinted = text;
    ZENPic->SetText(mPrinted);
    lblZENPic->SetText(mPrinted);
}

void frmZENImg::ClearScreen()
{
    mPrinted.clear();
    mPageText.clear();
    ZENPic->Clear();
    lblZENPic->Clear();
}

void frmZENImg::ClearLabel()
{
    mPageText.clear();
    lblZENPic->Clear();
}

void frmZENImg::paintEvent(QPaintEvent*)
{
    if (mBody.isNull() || mBody.devicePixelRatio() != devicePixelRatioF()) {
        mBody = QPixmap(size() * devicePixelRatioF());
        mBody.setDevicePixelRatio(devicePixelRatioF());
        DrawBody(mBody);
    }
    QPainter(this).drawPixmap(0, 0, mBody);
}

void frmZENImg::DrawBody(QPixmap& target) const
{
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(60, 60, 64));

    // The player: a dark rounded body with a lighter rim, the screen in a black bezel, a touch strip and keys.
    const QRectF body(2, 2, kBodyWidth - 4, kBodyHeight - 4);
    QLinearGradient shade(body.topLeft(), body.bottomRight());
    shade.setColorAt(0, QColor(70, 72, 78));
    shade.setColorAt(1, QColor(22, 23, 26));
    painter.setPen(QPen(QColor(150, 152, 160), 2));
    painter.setBrush(shade);
    painter.drawRoundedRect(body, 34, 34);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(8, 8, 10));
    painter.drawRoundedRect(QRectF(kScreen).adjusted(-8, -8, 8, 8), 6, 6);

    const QRectF strip(kBodyWidth / 2.0 - 22, 330, 44, 200);
    painter.setBrush(QColor(40, 42, 46));
    painter.setPen(QPen(QColor(110, 112, 120), 1.5));
    painter.drawRoundedRect(strip, 22, 22);
    painter.setPen(QPen(QColor(140, 142, 150), 1));
    for (int i = 1; i < 5; ++i)
        painter.drawLine(QPointF(strip.left() + 12, strip.top() + 40.0 * i), QPointF(strip.right() - 12, strip.top() + 40.0 * i));

    painter.setBrush(QColor(50, 52, 56));
    for (const QPointF centre : {QPointF(80, 370), QPointF(277, 370), QPointF(80, 490), QPointF(277, 490)})
        painter.drawEllipse(centre, 18, 18);
    painter.setBrush(QColor(90, 200, 120));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(kBodyWidth - 40, 24), 4, 4);  // the power light
    painter.setBrush(QColor(30, 31, 34));
    painter.drawRoundedRect(QRectF(kBodyWidth / 2.0 - 30, 556, 60, 10), 5, 5);  // the dock connector
}
