// leafcast_gui_bench: the desktop program converting a book with the device preview shown, and hidden, against
// the command line converting the same book, in CPU time. Runs on Qt's offscreen platform unless another one is
// chosen, so the windows are painted as they would be on a screen.
// Usage: leafcast_gui_bench [--folder DIR] [--megabytes N]
#include "BenchSupport.h"

#include "app/AppWindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::string given;
    double megabytes = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--folder")
            given = argv[i + 1];
        else if (std::string(argv[i]) == "--megabytes")
            megabytes = std::atof(argv[i + 1]);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const fs::path folder = BenchFolder(given, "desktop");
    const std::string book = (folder / "book.txt").string();
    WriteBook(book, static_cast<std::size_t>(megabytes * 1048576));

    const std::string cli = (fs::path(argv[0]).parent_path() / "leafcast").string();
    const ChildTimes command = RunCommand({cli, "convert", book, "-o", (folder / "cli").string(), "-q"});
    if (command.cpu < 0) {
        std::fprintf(stderr, "%s cannot convert the book\n", cli.c_str());
        return 1;
    }

    QApplication application(argc, argv);
    double seconds[2] = {0, 0};
    for (int shown = 0; shown <= 1; ++shown) {
        AppWindows windows((folder / "home").string());
        frmLeafcast& window = windows.Main();
        window.EndProgram = [] {};
        window.show();
        SettingsModel& settings = windows.Document().Settings();
        settings.TypeText("txtInpFile", book);
        settings.TypeText("txtOutFileName", shown ? "shown" : "hidden");
        settings.SetCheck("chkShowZEN", shown);
        window.chkStepF->setChecked(false);
        QApplication::processEvents();
        const double start = CpuSeconds();
        window.btnGo->click();
        seconds[shown] = CpuSeconds() - start;
    }
    const double ratio = seconds[1] / command.cpu;
    std::printf("desktop program, %.0f MB book, CPU time: command line %.2f s, preview hidden %.2f s (%.2f x), "
                "preview shown %.2f s (%.2f x); at most 2 x with the preview shown: %s\n",
                megabytes, command.cpu, seconds[0], seconds[0] / command.cpu, seconds[1], ratio,
                ratio <= 2 ? "met" : "MISSED");
    fs::remove_all(folder);
    return ratio <= 2 ? 0 : 3;
}
