#pragma once

#include "imaging/Bitmap.h"
#include "base/HostHooks.h"

#include <QImage>
#include <QString>
#include <string>
#include <vector>

class QWidget;

// The desktop services the windows use: dialogs, message boxes and launching programs. The windows reach them
// through this interface so that tests can answer in place of a person.
class Dialogs {
public:
    enum class Icon { None, Information, Exclamation, Critical };
    virtual ~Dialogs() = default;
    // filter: description and pattern pairs separated by "|", as "Text files (*.txt)|*.txt". Empty when cancelled.
    virtual std::string PickOpenFile(QWidget* owner, const std::string& startFolder, const std::string& filter) = 0;
    virtual std::string PickFolder(QWidget* owner, const std::string& title) = 0;
    virtual bool AskYesNo(QWidget* owner, const std::string& text, const std::string& title, Icon icon) = 0;
    // A line of text from the user; empty when cancelled.
    virtual std::string AskText(QWidget* owner, const std::string& text, const std::string& title) = 0;
    virtual void Message(QWidget* owner, const std::string& text, const std::string& title, Icon icon) = 0;
    // Opens a file or folder with the desktop's own program for it, through xdg-open; false when that could not
    // be started (it is missing, say).
    virtual bool OpenWithDefault(const std::string& path) = 0;
    // Starts a program with its arguments, never through a shell; false when it could not be started.
    virtual bool Launch(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

Dialogs& CurrentDialogs();
// The dialogs in force; nullptr goes back to the real ones. No ownership is taken.
void SetDialogs(Dialogs* dialogs);

// "Text files (*.txt)|*.txt|All|*" as Qt's "Text files (*.txt);;All (*)".
QString QtFilter(const std::string& filter);

// The program's title for message boxes: the executable's name.
std::string ProgramTitle();

// The picture of a bitmap, for showing.
QImage ToQImage(const Bitmap& bitmap);
// The same into a picture kept for it, whose memory is used again when it has the size and is not shared.
void ToQImageInto(const Bitmap& bitmap, QImage& image);

// The core's message boxes and clipboard, served by Qt.
class QtMessageHost : public MessageHost {
public:
    void ShowMessage(const std::string& text, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
};

class QtClipboard : public ClipboardHook {
public:
    bool SetBitmap(const Bitmap& picture) override;
    std::string Text() override;
};
