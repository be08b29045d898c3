// leafcast-gui: the desktop program.
#include "app/AppWindows.h"
#include "app/QtHost.h"
#include "app/ScreenshotTour.h"
#include "base/AppError.h"
#include "settings/StartUp.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: leafcast-gui [BOOK] [--home DIR] [--screenshots DIR BOOK]\n"
    "Leafcast's desktop program: turns a book (text, HTML or EPUB) into numbered JPEG pages for small media players.\n"
    "\n"
    "  BOOK                    open this book, as if chosen in the settings window\n"
    "  --home DIR              the program's folder, holding Profiles/ and Leafcast.ini (default:\n"
    "                          $XDG_DATA_HOME/leafcast, or the program's own folder when a file\n"
    "                          leafcast.portable stands beside it)\n"
    "  --screenshots DIR BOOK  show every window with a page of BOOK and save a picture of each into DIR\n"
    "  -h, --help              print this help and end\n"
    "\n"
    "Qt's own options, such as -platform offscreen, are taken too. The command line is leafcast (leafcast help).\n";

} // namespace

int main(int argc, char** argv)
{
    // Before the application, which needs a display: the help must answer without one.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Leafcast");
    // The installed menu entry's name: a Wayland desktop matches the window to it, and so to its icon.
    QGuiApplication::setDesktopFileName("io.github.leafcast.Leafcast");
    QApplication::setWindowIcon(QIcon(":/leafcast.png"));
    SetExecutableName("leafcast");
    // A file-size limit (ulimit -f) makes a write fail with EFBIG, which is reported, instead of killing us.
    std::signal(SIGXFSZ, SIG_IGN);
    QtMessageHost messages;
    QtClipboard clipboard;
    SetMessageHost(&messages);
    SetClipboardHook(&clipboard);

    // --home DIR chooses the program's folder, as for the command line.
    std::string home = DefaultAppFolder();
    const QStringList arguments = QApplication::arguments();
    const int at = arguments.indexOf("--home");
    if (at >= 0 && at + 1 < arguments.size())
        home = arguments[at + 1].toStdString();

    AppWindows windows(home);
    frmLeafcast& window = windows.Main();
    // A book named on the command line (the menu entry passes the file opened with Leafcast) is taken as if
    // chosen in the settings window.
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--home" || arguments[i] == "--screenshots") {
            i += arguments[i] == "--home" ? 1 : 2;
            continue;
        }
        if (!arguments[i].startsWith("--")) {
            windows.Config().OpenBook(QFileInfo(arguments[i]).absoluteFilePath().toStdString());
            break;
        }
    }
    window.show();
    // --screenshots DIR BOOK: shows each window with a page of BOOK and saves its picture into DIR.
    const int tour = arguments.indexOf("--screenshots");
    if (tour >= 0 && tour + 2 < arguments.size())
        StartScreenshotTour(windows, arguments[tour + 1].toStdString(), arguments[tour + 2].toStdString());
    if (!window.StartUpProblems().empty()) {
        std::string text;
        for (const std::string& problem : window.StartUpProblems())
            text += problem + "\n";
        CurrentDialogs().Message(&window, text, ProgramTitle(), Dialogs::Icon::Exclamation);
    }
    const int status = application.exec();
    SetMessageHost(nullptr);
    SetClipboardHook(nullptr);
    return status;
}
