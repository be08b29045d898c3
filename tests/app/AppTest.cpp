// The desktop program as a user drives it, on Qt's offscreen platform. Dialogs are answered by a fake.
#include "TempDir.h"
#include "app/AppWindows.h"
#include "app/CanvasView.h"
#include "app/QtHost.h"
#include "app/frmEdit.h"
#include "app/frmTestMask.h"
#include "base/Text.h"
#include "settings/SettingsModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace fs = std::filesystem;

namespace {

struct FakeDialogs : Dialogs {
    std::deque<std::string> files, folders, texts;
    bool yes = false;
    bool starts = true;  // whether a program opened or launched starts
    std::vector<std::string> messages, started;
    std::string PickOpenFile(QWidget*, const std::string&, const std::string&) override { return Next(files); }
    std::string PickFolder(QWidget*, const std::string&) override { return Next(folders); }
    bool AskYesNo(QWidget*, const std::string& text, const std::string&, Icon) override { return Say(text), yes; }
    std::string AskText(QWidget*, const std::string&, const std::string&) override { return Next(texts); }
    void Message(QWidget*, const std::string& text, const std::string&, Icon) override { Say(text); }
    bool OpenWithDefault(const std::string& path) override { return started.push_back("default " + path), starts; }
    bool Launch(const std::string& program, const std::vector<std::string>& arguments) override
    {
        return started.push_back(program + " " + arguments.at(0)), starts;
    }
    void Say(const std::string& text) { messages.push_back(text); }
    static std::string Next(std::deque<std::string>& queue)
    {
        if (queue.empty())
            return {};
        std::string next = queue.front();
        queue.pop_front();
        return next;
    }
};

std::string Book(const TempDir& dir, int lines)
{
    std::string text;
    for (int i = 1; i <= lines; ++i)
        text += "Line " + std::to_string(i) + " of the book, with a few words.\r\n";
    const std::string path = dir.Path("novel.txt");
    WriteFileText(path, text);
    return path;
}

int CountPages(const std::string& folder)
{
    return int(std::count_if(fs::recursive_directory_iterator(folder), {},
                             [](const fs::directory_entry& entry) {
                                 return entry.path().extension() == ".jpg" || entry.path().extension() == ".png";
                             }));
}

// The dialog a window has open, once the event loop runs.
template <class Dialog> Dialog& Modal()
{
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog)
        throw std::runtime_error("the dialog is not open");
    return *dialog;
}

} // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::optional<TempDir> mDir;
    std::optional<FakeDialogs> mDialogs;
    std::optional<AppWindows> mWindows;
    bool mEnded = false;

    frmLeafcast& W() { return mWindows->Main(); }
    SettingsModel& S() { return mWindows->Document().Settings(); }
    frmConfig& C() { return mWindows->Config(); }

    void UseBook(int lines, bool stepped)
    {
        S().TypeText("txtInpFile", Book(*mDir, lines));
        S().TypeText("txtOutFileName", "novel");
        S().SetCheck("chkDiffFold", 0);
        W().chkStepF->setChecked(stepped);
    }

    // Clicks Go; each time the run then stands waiting after a page, the next step runs.
    void GoWith(std::vector<std::function<void()>> steps)
    {
        std::size_t next = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (W().Waiting() && next < steps.size())
                steps[next++]();
        });
        timer.start(5);
        W().btnGo->click();
        QCOMPARE(next, steps.size());
    }

private slots:
    void init()
    {
        mDir.emplace();
        SetDialogs(&mDialogs.emplace());
        mEnded = false;
        mWindows.emplace(mDir->Path("home"));
        W().EndProgram = [this] { mEnded = true; };
    }

    void cleanup()
    {
        mWindows.reset();
        SetDialogs(nullptr);
        mDialogs.reset();
        mDir.reset();
    }

    void startUpState()
    {
        QVERIFY(ToUtf8(S().PageText()).rfind("Program: Leafcast - ver. ", 0) == 0);
        QCOMPARE(W().lblProfile->text(), QString("Profile: "));
        QVERIFY(!W().btnPause->isEnabled() && W().chkStepF->isChecked());
        QCOMPARE(C().Control<QLineEdit>("txtMsg")->text(), QString("Ready"));
        // The font sample shows the canvas font, not the welcome text's.
        const QFont sample = C().findChild<QLabel*>("lblSample")->font();
        QCOMPARE(sample.family().toStdString(), S().Canvas().FontFamily());
        QCOMPARE(sample.pointSizeF(), S().Canvas().FontSize());
    }

    void aMissingBookIsReportedAndGoStaysUsable()
    {
        S().TypeText("txtInpFile", mDir->Path("missing.txt"));
        W().btnGo->click();
        QCOMPARE(mDialogs->messages.size(), std::size_t{1});
        QVERIFY(mDialogs->messages[0].find("missing.txt") != std::string::npos);
        QVERIFY(W().btnGo->isEnabled() && !W().btnPause->isEnabled() && !W().State().Paused);
        QVERIFY(!fs::exists(mDir->Path("missing")));
        QCOMPARE(W().lblStatus->text(), QString("Failed: no page written"));
    }

    void aRunsPagesAreNamedBrowsedAndCopied()
    {
        UseBook(60, false);
        S().SetCheck("chkDiffFold", 1);
        QTest::mouseClick(W().btnGo, Qt::LeftButton);
        QVERIFY(mDialogs->messages.empty());
        QVERIFY(!W().btnGo->isEnabled() && W().btnPause->isEnabled());
        // The page file label shortens the folders only.
        const QString label = W().lblOutFN->text();
        const QString first = QString::fromStdString("File: /" + std::next(mDir->Root().begin())->string() + "/");
        QVERIFY2(label.startsWith(first) && label.contains("/.../"), qPrintable(label));
        QVERIFY(QFontMetrics(W().lblOutFN->font()).horizontalAdvance(label.mid(6)) <= W().lblOutFN->width() - 100);

        const int last = W().State().FileNumber - 1;
        QVERIFY(last > 3);
        // The run's end says how many pages went where (the folder shortened when the temporary folder is long).
        const QString status = W().lblStatus->text();
        QVERIFY2(status.startsWith(QString("Done: %1 pages written to /").arg(last)) && status.endsWith("/novel/"),
                 qPrintable(status));
        QCOMPARE(W().ViewNumber, last);
        QTest::keyClick(&W(), Qt::Key_PageDown);  // past the last page: not found, the number stays
        QCOMPARE(W().ViewNumber, last);
        QVERIFY(!W().Pic1->HasPicture());
        QTest::keyClick(&W(), Qt::Key_PageUp);
        QVERIFY(W().Pic1->HasPicture());
        QCOMPARE(W().Label3->text(), QString("Current %1").arg(last - 1));

        W().btnCopyToDev->click();  // no device folder yet: nothing copied, and it says so
        QVERIFY(mDialogs->messages.back().find("No device folder") != std::string::npos);
        const std::string device = mDir->Path("player");
        const std::string oldPage = device + "/Ch_00.0_Introduction/novel_00001 (Ch 00.0).jpg";
        fs::create_directories(device + "/Ch_00.0_Introduction");
        std::ofstream(oldPage) << "an old page";
        mDialogs->folders = {device};
        QTest::mouseClick(W().lblDevPath, Qt::LeftButton);
        QCOMPARE(W().lblDevPath->text(), QString::fromStdString(device));
        W().btnCopyToDev->click();
        QCOMPARE(CountPages(device), CountPages(mDir->Path("novel")));
        QVERIFY(fs::file_size(oldPage) > 100);  // replaced by the new page
    }

    // With the box ticked a run's pages go into one archive: the browser shows them from it, and the device gets
    // the archive itself.
    void anArchiveIsBrowsedAndCopiedWhole()
    {
        UseBook(60, false);
        C().Control<QCheckBox>("chkCompress")->click();
        QTest::keyClick(C().Control<QComboBox>("lstPageFormat"), Qt::Key_Down);
        QCOMPARE(S().Value("lstPageFormat"), std::string("PNG"));
        W().btnGo->click();
        QVERIFY2(W().lblStatus->text().endsWith("/novel.cbz"), qPrintable(W().lblStatus->text()));
        QCOMPARE(CountPages(mDir->Path("novel")), 0);
        QTest::keyClick(&W(), Qt::Key_PageUp);
        QVERIFY(W().Pic1->HasPicture() && W().ViewNumber == W().State().FileNumber - 2);
        const std::string device = mDir->Path("player");
        fs::create_directory(device);
        mDialogs->folders = {device};
        QTest::mouseClick(W().lblDevPath, Qt::LeftButton);
        W().btnCopyToDev->click();
        QVERIFY(ReadFileText(device + "/novel.cbz") == ReadFileText(mDir->Path("novel/novel.cbz")));
        QCOMPARE(CountPages(device), 0);
    }

    // Each chapter's pages lie in a folder of their own, named with its number: the browser finds them all.
    void browsingCrossesChapters()
    {
        std::string text;
        for (const char* heading : {"Chapter 1.1 The road", "Chapter 2.1 Home"}) {
            text += std::string("\r\n\r\n") + heading + "\r\n";
            for (int i = 1; i <= 30; ++i)
                text += "Line " + std::to_string(i) + " of the chapter, with a few words.\r\n";
        }
        WriteFileText(mDir->Path("novel.txt"), text);
        S().TypeText("txtInpFile", mDir->Path("novel.txt"));
        S().TypeText("txtOutFileName", "novel");
        W().chkStepF->setChecked(false);
        W().btnGo->click();
        QVERIFY(fs::exists(mDir->Path("novel/novel_00001 ().jpg")) && fs::is_directory(mDir->Path("novel/CH_02.1_HOME")));
        const int last = W().State().FileNumber - 1;
        for (int page = last - 1; page >= 0; --page) {
            QTest::keyClick(&W(), Qt::Key_PageUp);
            QCOMPARE(W().ViewNumber, std::max(page, 1));
            QCOMPARE(W().Pic1->HasPicture(), page >= 1);
        }
    }

    // A library e-book converted with its licence gets the hint, once in a session.
    void aLibraryEbookGetsTheHintOnce()
    {
        WriteFileText(mDir->Path("novel.txt"), "Licence.\r\n*** START OF THE E-BOOK ***\r\nText.\r\n");
        S().TypeText("txtInpFile", mDir->Path("novel.txt"));
        W().chkStepF->setChecked(false);
        W().btnGo->click();
        QVERIFY(S().Value("txtMsg").find("profile \"ebook\"") != std::string::npos);
        S().SetText("txtMsg", "Ready");
        W().btnReset->click();
        QCOMPARE(S().Value("txtMsg"), std::string("Ready"));
    }

    void pauseTakesEffectAtTheNextStopAndTheRangeEndStopsTheRun()
    {
        UseBook(100, false);
        S().TypeText("txtToPg", "3");
        std::vector<int> pages;
        // A Pause clicked during layout takes effect at the next stopping point.
        QTimer::singleShot(0, [this] { W().btnPause->click(); });
        GoWith({[&] {
                    pages.push_back(CountPages(mDir->Path("novel")));
                    QCOMPARE(W().btnPause->text(), QString("&Continue"));
                    W().btnPause->click();
                },
                [&] {
                    pages.push_back(CountPages(mDir->Path("novel")));
                    QCOMPARE(W().State().FileNumber, 3);
                    W().close();  // closing while paused ends the program at once
                }});
        QCOMPARE(pages, (std::vector<int>{1, 3}));
        QVERIFY(mEnded);
        QCOMPARE(CountPages(mDir->Path("novel")), 3);
        QVERIFY(ReadFileText(mDir->Path("home/Leafcast.ini")).starts_with("novel.cfg\r\n"));
    }

    void steppedModeAdvancesOnePagePerContinueAndResetStartsOneNewRun()
    {
        UseBook(100, true);
        std::vector<int> seen;
        const auto then = [&](QAbstractButton* button) {
            return [&, button] { seen.push_back(W().State().FileNumber), button->click(); };
        };
        GoWith({then(W().btnPause), then(W().btnReset), [&] {
                    seen.push_back(W().State().FileNumber);
                    W().chkStepF->click();  // off: the rest runs through
                    W().btnPause->click();
                }});
        QCOMPARE(seen, (std::vector<int>{1, 2, 1}));  // the new run began at page 1 again
        // After the last page the number has moved on, as after every page.
        QCOMPARE(CountPages(mDir->Path("novel")), W().State().FileNumber - 1);
        QVERIFY(W().State().FileNumber > 4 && !W().Running());
    }

    void settingsWindowReactions()
    {
        // Each window asks for the other through what is above both.
        W().btnConfig->click();
        QVERIFY(C().isVisible());
        // Shown, the font list holds the offered faces, then the installed families, sorted, Wine's Tahoma not
        // twice; an installed family is chosen as an offered face is.
        auto* fonts = C().Control<QListWidget>("lstFonts(0)");
        QStringList listed;
        for (int row = 0; row < fonts->count(); ++row)
            listed << fonts->item(row)->text();
        QCOMPARE(listed.mid(0, 6),
                 QStringList({"Arial", "Tahoma", "Times New Roman", "Courier New", "Verdana", "ProggyCleanTT"}));
        QStringList installed = listed.mid(6);
        QVERIFY(installed.contains("DejaVu Serif") && installed.contains("Lohit Devanagari") &&
                !installed.contains("Tahoma"));
        installed.sort(Qt::CaseInsensitive);
        QCOMPARE(installed, listed.mid(6));
        emit fonts->itemClicked(fonts->findItems("DejaVu Serif", Qt::MatchExactly).at(0));
        QCOMPARE(S().Canvas().FontFamily(), std::string("DejaVu Serif"));
        QCOMPARE(fonts->currentItem()->text(), QString("DejaVu Serif"));
        C().Control<QPushButton>("btnAbout")->click();
        QVERIFY(mDialogs->messages.at(0).rfind("Program: Leafcast - ver. ", 0) == 0);

        C().Control<QRadioButton>("optScrRes(1)")->click();
        QCOMPARE(W().Pic1->width(), 640);
        QVERIFY(W().width() > 640);
        C().Control<QCheckBox>("chkSwapDim")->click();
        QCOMPARE(S().Canvas().Height(), 640);
        auto* size = C().Control<QLineEdit>("txtFontSize");
        size->setText("-3");
        emit size->editingFinished();
        QCOMPARE(size->text(), QString("8.25"));

        for (const auto& [name, text] : {std::pair{"txtInpFile", "/books/novel.txt"}, {"txtOutFileName", "novel"}}) {
            auto* box = C().Control<QLineEdit>(name);
            box->setText(text);
            emit box->textEdited(box->text());
        }
        QCOMPARE(C().Control<QLineEdit>("txtJPGOutPath")->text(), QString("/books/novel/"));
    }

    void choosingABookOffersAReset()
    {
        const std::string book = Book(*mDir, 3);
        mDialogs->files = {book, book};
        C().ChooseInputFile(false);  // the reset refused
        QCOMPARE(S().Check("chkSmartLF"), 1);
        QCOMPARE(S().FileRoot(), std::string("novel"));
        mDialogs->yes = true;
        C().ChooseInputFile(false);
        QCOMPARE(S().Check("chkSmartLF"), 0);
        QVERIFY(C().Control("txtFormat")->isEnabled());
        QCOMPARE(S().SelectedPreset(), -1);
        QCOMPARE(mDialogs->messages.back(), std::string("Reset current settings?"));
    }

    void editingTheBookOpensItWithTheEditorOrTheDesktopsProgram()
    {
        const std::string book = Book(*mDir, 3);
        S().TypeText("txtInpFile", book);
        const struct { const char* editor; bool starts; std::string program, message; } cases[] = {
            {"explorer", true, "default", ""},
            {"Explorer.exe", true, "default", ""},
            {"explorer", false, "default", "Cannot open " + book + ": no program is set up on this desktop to open it"},
            {"", false, "default", "Cannot open " + book + ": no program is set up on this desktop to open it"},
            {"mousepad", true, "mousepad", ""},
            {"mousepad", false, "mousepad", "Cannot open " + book + " with mousepad"},
        };
        for (const auto& c : cases) {
            mDialogs->started.clear(), mDialogs->messages.clear();
            mDialogs->starts = c.starts;
            S().TypeText("txtEditor", c.editor);
            C().Control<QPushButton>("btnEditInpF")->click();
            QCOMPARE(mDialogs->started, std::vector<std::string>{c.program + " " + book});
            QCOMPARE(mDialogs->messages.size(), std::size_t(c.message.empty() ? 0 : 1));
            if (!c.message.empty())
                QVERIFY2(mDialogs->messages[0].starts_with(c.message), mDialogs->messages[0].c_str());
        }
        // The desktop's program is xdg-open, started without a shell: where there is none, nothing starts.
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(mDir->Path("no-programs")));
        SetDialogs(nullptr);
        const bool opened = CurrentDialogs().OpenWithDefault(book);
        SetDialogs(&*mDialogs);
        qputenv("PATH", path);
        QVERIFY(!opened);
    }

    void phraseEditorRoundTrip()
    {
        QTimer::singleShot(0, [] {
            Modal<frmEdit>().txtSkipW->appendPlainText("One more");  // typed without a final line break
            Modal<frmEdit>().btnOK->click();
        });
        C().Control<QPushButton>("btnEditW")->click();
        auto expected = DefaultMarkedPhrases();
        expected.push_back(U"One more");
        QVERIFY(S().MarkedPhrases() == expected);
    }

    void maskTesterColoursAndHandBack()
    {
        C().Control<QLineEdit>("txtParagrMask")->setFocus();
        emit C().Control<QLineEdit>("txtParagrMask")->editingFinished();
        QTimer::singleShot(0, [] {
            frmTestMask& tester = Modal<frmTestMask>();
            tester.txtMaskToTest->setText("Part #*");
            tester.txtTextToTest->setText("Part 3 begins");
            tester.btnTestMaks->click();
            QCOMPARE(tester.lblMasktestRes->text(), QString("OK! Match"));
            QCOMPARE(tester.lblMasktestRes->palette().color(QPalette::Window), QColor(0, 255, 0));
            tester.btnOK->click();
        });
        C().Control<QPushButton>("btnTestMask")->click();
        QCOMPARE(S().Value("txtParagrMask"), std::string("Part #*"));
        QCOMPARE(C().Control<QLineEdit>("txtMsg")->text(), QString("Mask loaded"));

        QTimer::singleShot(0, [] { Modal<frmTestMask>().btnCancel->click(); });
        C().Control<QPushButton>("btnTestMask")->click();
        QCOMPARE(S().Value("txtMsg"), std::string("Nothing done"));
    }

    void profileButtons()
    {
        const auto click = [this](const char* button) { C().Control<QPushButton>(button)->click(); };
        // Without a root the profile is named as the user is asked, or after the book.
        mDialogs->texts = {"", "story"};
        click("btnSaveProf");  // no book, no name given: nothing is saved
        QCOMPARE(S().Value("txtMsg"), std::string("Nothing done"));
        C().Control<QCheckBox>("chkRowNrs")->click();
        click("btnSaveProf");
        const std::string story = mDir->Path("home/Profiles/story.cfg");
        QVERIFY(fs::exists(story));
        C().OpenBook(mDir->Path("tale.txt"));
        S().TypeText("txtOutFileName", "");
        click("btnSaveProf");
        QVERIFY(fs::exists(mDir->Path("home/Profiles/tale.cfg")) && !fs::exists(mDir->Path("home/Profiles/.cfg")));

        C().Control<QCheckBox>("chkRowNrs")->click();
        mDialogs->files = {"", story};
        click("btnLoadProf");  // cancelled: nothing changes, the phrases stay
        QCOMPARE(S().Check("chkRowNrs"), 0);
        QCOMPARE(S().MarkedPhrases().size(), std::size_t{6});
        click("btnLoadProf");
        QVERIFY(C().Control<QCheckBox>("chkRowNrs")->isChecked());

        // The profile that comes with the program, shown in its frame, keeps the root.
        S().TypeText("txtOutFileName", "mine");
        mDialogs->files = {mDir->Path("home/Profiles/ebook.cfg")};
        click("btnLoadProf");
        QVERIFY(C().Control<QCheckBox>("chkBookParas")->isChecked());
        QCOMPARE(qobject_cast<QGroupBox*>(C().Control("chkBookParas")->parentWidget())->title(), QString("Smart Parsing"));
        QCOMPARE(S().FileRoot(), std::string("mine"));
    }
};

QTEST_MAIN(AppTest)
#include "AppTest.moc"
