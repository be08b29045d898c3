#include "app/QtHost.h"

#include "base/AppError.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <cstring>
#include <QProcess>
#include <QStringList>

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QMessageBox::Icon QtIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Exclamation: return QMessageBox::Warning;
    case Dialogs::Icon::Critical: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
    }
}

class QtDialogs : public Dialogs {
public:
    std::string PickOpenFile(QWidget* owner, const std::string& startFolder, const std::string& filter) override
    {
        return QFileDialog::getOpenFileName(owner, "Open...", Q(startFolder), QtFilter(filter)).toStdString();
    }

    std::string PickFolder(QWidget* owner, const std::string& title) override
    {
        return QFileDialog::getExistingDirectory(owner, Q(title)).toStdString();
    }

    bool AskYesNo(QWidget* owner, const std::string& text, const std::string& title, Icon icon) override
    {
        QMessageBox box(QtIcon(icon), Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, owner);
        return box.exec() == QMessageBox::Yes;
    }

    std::string AskText(QWidget* owner, const std::string& text, const std::string& title) override
    {
        return QInputDialog::getText(owner, Q(title), Q(text)).trimmed().toStdString();
    }

    void Message(QWidget* owner, const std::string& text, const std::string& title, Icon icon) override
    {
        QMessageBox box(QtIcon(icon), Q(title), Q(text), QMessageBox::Ok, owner);
        box.exec();
    }

    bool OpenWithDefault(const std::string& path) override
    {
        return QProcess::startDetached("xdg-open", {Q(path)});
    }

    bool Launch(const std::string& program, const std::vector<std::string>& arguments) override
    {
        QStringList list;
        for (const std::string& argument : arguments)
            list << Q(argument);
        return QProcess::startDetached(Q(program), list);
    }
};

QtDialogs gQtDialogs;
Dialogs* gDialogs = &gQtDialogs;

} // namespace

Dialogs& CurrentDialogs() { return *gDialogs; }
void SetDialogs(Dialogs* dialogs) { gDialogs = dialogs ? dialogs : &gQtDialogs; }

QString QtFilter(const std::string& filter)
{
    const QStringList parts = Q(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        // The description usually names the patterns already: "Text files (*.txt)".
        filters << (description.contains('(') ? description.left(description.indexOf('(')).trimmed() : description) +
                       " (" + patterns + ")";
    }
    return filters.join(";;");
}

std::string ProgramTitle() { return ExecutableName(); }

QImage ToQImage(const Bitmap& bitmap)
{
    QImage image;
    ToQImageInto(bitmap, image);
    return image;
}

void ToQImageInto(const Bitmap& bitmap, QImage& image)
{
    // 32-bit pixels are what the screen takes without a conversion of its own at every paint.
    const QImage::Format format = bitmap.Indexed() ? QImage::Format_RGB888 : QImage::Format_RGB32;
    if (image.width() != bitmap.Width() || image.height() != bitmap.Height() || image.format() != format)
        image = QImage(bitmap.Width(), bitmap.Height(), format);
    for (int y = 0; y < bitmap.Height(); ++y) {
        uchar* to = image.scanLine(y);
        if (!bitmap.Indexed()) {
            // Blue, green, red and the next byte read as one little-endian word are the pixel, once its top
            // byte is made opaque; the last pixel of the bitmap is read byte by byte, as nothing follows it.
            const std::uint8_t* from = bitmap.MemoryRow(bitmap.Height() - 1 - y);
            auto* pixel = reinterpret_cast<QRgb*>(to);
            const int whole = y == 0 ? bitmap.Width() - 1 : bitmap.Width();
            int x = 0;
            for (; x < whole; ++x, from += 3) {
                std::uint32_t word;
                std::memcpy(&word, from, 4);
                pixel[x] = (word & 0x00FFFFFFu) | 0xFF000000u;
            }
            for (; x < bitmap.Width(); ++x, from += 3)
                pixel[x] = qRgb(from[2], from[1], from[0]);
        } else {
            for (int x = 0; x < bitmap.Width(); ++x, to += 3) {
                const RgbQuad c = bitmap.Colour(x, y);
                to[0] = c.red, to[1] = c.green, to[2] = c.blue;
            }
        }
    }
}

void QtMessageHost::ShowMessage(const std::string& text, const std::string& title)
{
    CurrentDialogs().Message(QApplication::activeWindow(), text, title.empty() ? ProgramTitle() : title,
                             Dialogs::Icon::None);
}

bool QtMessageHost::AskYesNo(const std::string& text, const std::string& title)
{
    return CurrentDialogs().AskYesNo(QApplication::activeWindow(), text, title.empty() ? ProgramTitle() : title,
                                     Dialogs::Icon::None);
}

bool QtClipboard::SetBitmap(const Bitmap& picture)
{
    QApplication::clipboard()->setImage(ToQImage(picture));
    return true;
}

std::string QtClipboard::Text() { return QApplication::clipboard()->text().toStdString(); }
