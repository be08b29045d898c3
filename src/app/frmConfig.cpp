#include "app/frmConfig.h"

#include "app/QtHost.h"
#include "app/SettingsDocument.h"
#include "app/frmEdit.h"
#include "app/frmTestMask.h"
#include "platform/FontFamilies.h"
#include "platform/Fonts.h"
#include "platform/Paths.h"
#include "settings/MaskTester.h"
#include "settings/Profile.h"
#include "settings/SettingsModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cctype>

namespace {

// The window is laid out in twips, as it was designed, at 15 twips a pixel and a little larger so that
// today's fonts fit.
constexpr double kScale = 1.3;
int Px(int twips) { return static_cast<int>(twips * kScale / 15.0 + 0.5); }
QRect Twips(int left, int top, int width, int height) { return {Px(left), Px(top), Px(width), Px(height)}; }

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Breaks a check box's caption before the last word that would pass width pixels.
void WrapCaption(QCheckBox& box, int width)
{
    const QFontMetrics metrics(box.font());
    QString text = box.text();
    if (metrics.horizontalAdvance(text) <= width)
        return;
    for (qsizetype blank = text.lastIndexOf(' '); blank > 0; blank = text.lastIndexOf(' ', blank - 1)) {
        if (metrics.horizontalAdvance(text.left(blank)) <= width) {
            text[blank] = '\n';
            break;
        }
    }
    box.setText(text);
}

} // namespace

frmConfig::frmConfig(SettingsDocument& document) : mDocument(document), mSettings(document.Settings())
{
    setObjectName("frmConfig");
    setWindowTitle("Leafcast Config");
    setFixedSize(Px(7845), Px(9870));
    Build();
    for (const ControlSpec& control : SettingsControls())
        SyncControl(ControlKey(control));
    CanvasFontChanged();
    connect(&mDocument, &SettingsDocument::controlChanged, this, &frmConfig::Sync);
    connect(&mDocument, &SettingsDocument::canvasChanged, this, &frmConfig::CanvasFontChanged);
}

QWidget* frmConfig::Control(const std::string& key) const
{
    const auto it = mControls.find(key);
    return it == mControls.end() ? nullptr : it->second;
}

void frmConfig::Build()
{
    // Every setting gets the widget of its kind, named after its control.
    for (const ControlSpec& control : SettingsControls()) {
        const std::string key = ControlKey(control);
        QWidget* widget = nullptr;
        switch (control.kind) {
        case ControlKind::Check: {
            auto* box = new QCheckBox(Q(control.caption));
            connect(box, &QCheckBox::clicked, this,
                    [this, name = control.name](bool on) { mSettings.SetCheck(name, on ? 1 : 0); });
            widget = box;
            break;
        }
        case ControlKind::Option: {
            auto* option = new QRadioButton(Q(control.caption));
            option->setAutoExclusive(false);
            connect(option, &QRadioButton::clicked, this, [this, index = control.index] { mSettings.SelectOption(index); });
            widget = option;
            break;
        }
        case ControlKind::List: {
            if (!control.entries.empty()) {
                auto* box = new QComboBox;
                for (const std::string& entry : control.entries)
                    box->addItem(Q(entry));
                connect(box, &QComboBox::activated, this, [this, id = control.id](int index) {
                    mSettings.SelectEntry(id, TableEntry(id).entries.at(static_cast<std::size_t>(index)));
                });
                widget = box;
                break;
            }
            auto* list = new QListWidget;
            connect(list, &QListWidget::itemClicked, this,
                    [this](QListWidgetItem* item) { mSettings.SelectFont(item->text().toStdString()); });
            widget = list;
            break;
        }
        case ControlKind::Text: {
            auto* edit = new QLineEdit;
            connect(edit, &QLineEdit::textEdited, this,
                    [this, name = control.name](const QString& text) { mSettings.SetText(name, text.toStdString()); });
            connect(edit, &QLineEdit::editingFinished, this, [this, name = control.name] { mSettings.LeaveText(name); });
            edit->installEventFilter(this);
            widget = edit;
            break;
        }
        }
        widget->setObjectName(Q(key));
        mControls[key] = widget;
    }
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        mControls[name] = b;
        return b;
    };
    auto label = [](const QString& text) { return new QLabel(text); };
    auto at = [this](QWidget* widget, QRect geometry) {
        widget->setParent(this);
        widget->setGeometry(geometry);
    };

    // The top rows: files, profiles, status line.
    at(label("Input txt File"), Twips(120, 120, 1400, 285));
    at(Control("txtInpFile"), Twips(1560, 120, 3255, 285));
    at(label("Code page"), Twips(4875, 120, 795, 285));
    at(Control("txtCodePage"), Twips(5670, 120, 1065, 285));
    Control("txtCodePage")->setToolTip("The code page of a book that is not UTF-8 or UTF-16, e.g. CP1250 for Central "
                                       "Europe; any name iconv knows");
    auto* pages = new QCompleter(QStringList{"Windows-1252", "CP1250", "CP1251", "CP1253", "CP1254", "CP1257",
                                             "ISO-8859-1", "ISO-8859-2", "ISO-8859-15", "KOI8-R", "MACINTOSH",
                                             "CP437", "CP850", "UTF-16LE", "UTF-16BE"},
                                 this);
    pages->setCaseSensitivity(Qt::CaseInsensitive);
    Control<QLineEdit>("txtCodePage")->setCompleter(pages);
    at(button("btnBrowseInp", "browse"), Twips(6840, 120, 975, 285));
    at(label("Output JPG Folder"), Twips(120, 480, 1400, 285));
    at(Control("txtJPGOutPath"), Twips(1560, 480, 5175, 285));
    at(button("btnBrowseOut", "browse"), Twips(6840, 480, 975, 285));
    at(label("FileName rooth"), Twips(120, 840, 1400, 285));
    at(Control("txtOutFileName"), Twips(1560, 840, 3975, 285));
    at(button("btnLoadProf", "&Load profile"), Twips(5640, 840, 1095, 255));
    at(button("btnSaveProf", "&Save profile"), Twips(5640, 1200, 1095, 255));
    at(button("btnOK", "&OK"), Twips(6840, 840, 975, 615));
    at(Control("txtMsg"), Twips(60, 1200, 5475, 285));
    auto* message = Control<QLineEdit>("txtMsg");
    message->setReadOnly(true);
    message->setStyleSheet("QLineEdit { color: red; background: yellow; font-weight: bold; }");

    auto frame = [this](const char* title, QRect geometry) {
        auto* box = new QGroupBox(title, this);
        box->setGeometry(geometry);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(6, 4, 6, 4);
        grid->setVerticalSpacing(1);
        grid->setAlignment(Qt::AlignTop);
        return grid;
    };
    auto add = [](QGridLayout* grid, QWidget* widget, int row, int column, int columnSpan = 1) {
        grid->addWidget(widget, row, column, 1, columnSpan);
    };

    QGridLayout* screen = frame("Screen Dimesions: ", Twips(60, 1620, 2835, 3555));
    for (int i = 0; i < 3; ++i)
        add(screen, Control("optScrRes(" + std::to_string(i) + ")"), i, 0, 3);
    add(screen, Control("optScrRes(3)"), 3, 0);
    add(screen, Control("txtCustWidth"), 4, 0);
    add(screen, label("x"), 4, 1);
    add(screen, Control("Text1"), 4, 2);
    const QString range = QString(" in pixels, %1 to %2, while Custom is selected").arg(kMinCustomSide).arg(kMaxCustomSide);
    Control("txtCustWidth")->setToolTip("Width" + range);
    Control("Text1")->setToolTip("Height" + range);
    add(screen, Control("chkRotate"), 5, 0, 3);
    add(screen, Control("chkSwapDim"), 6, 0, 3);
    auto* multiplier = label("Screen Heigh Multiplier (max 5)");
    multiplier->setWordWrap(true);
    add(screen, multiplier, 7, 0, 2);
    add(screen, Control("txtScrX"), 7, 2);
    Control("txtScrX")->setMaximumWidth(40);
    add(screen, Control("chkWB"), 8, 0, 3);
    add(screen, Control("chkGreenBkg"), 9, 0, 3);

    QGridLayout* show = frame("Show in each Page/Screen", Twips(3000, 1620, 4815, 3075));
    add(show, label("New page ASCII code(s) (2 digits: es. 12)"), 0, 0, 2);
    add(show, Control("txtASCIISep"), 0, 2);
    add(show, label("Format"), 1, 0);
    add(show, Control("txtFormat"), 1, 1);
    add(show, Control("chkDiffFold"), 2, 0, 3);
    add(show, Control("chkFileNr"), 3, 0);
    add(show, Control("chkDocPageNr"), 3, 1);
    add(show, Control("chkRowNrs"), 3, 2);
    add(show, Control("chkChapter"), 4, 0);
    add(show, Control("txtChaptMask"), 4, 1, 2);
    add(show, Control("chkParagr"), 5, 0);
    add(show, Control("txtParagrMask"), 5, 1, 2);
    add(show, Control("chkUseChapInFN"), 6, 0, 2);
    add(show, button("btnTestMask", "&Test Masks"), 6, 2);

    QGridLayout* other = frame("Other Options: ", Twips(3000, 4800, 2415, 3375));
    add(other, label("Save only pages"), 0, 0, 4);
    add(other, label("from"), 1, 0);
    add(other, Control("txtFromPg"), 1, 1);
    add(other, label("to"), 1, 2);
    add(other, Control("txtToPg"), 1, 3);
    auto* quality = label("JPG File Quality: \n(0 = low, 10 = high)");
    quality->setObjectName("lblQA");
    add(other, quality, 2, 0, 3);
    add(other, Control("txtQA"), 2, 3);
    for (QWidget* widget : {static_cast<QWidget*>(quality), Control("txtQA")})
        widget->setToolTip("The quality of JPEG pages, 0 (smallest file) to 10 (best picture); PNG pages are "
                           "lossless and do not use it");
    add(other, label("Page format"), 3, 0, 2);
    add(other, Control("lstPageFormat"), 3, 2, 2);
    Control("lstPageFormat")->setToolTip("JPEG for media players; PNG, exact and smaller in black and white, for "
                                         "e-readers, phones and archives");
    add(other, Control("chkPureBW"), 4, 0, 4);
    add(other, Control("chkShowZEN"), 5, 0, 4);
    add(other, Control("chkCompress"), 6, 0, 4);
    Control("chkCompress")->setToolTip("All the pages in one comic-book archive, ROOT.cbz, with their chapters as "
                                       "its table of contents, instead of a file each");

    QGridLayout* parsing = frame("Smart Parsing", Twips(5520, 4800, 2295, 4875));
    add(parsing, Control("chkNoChars"), 0, 0);
    add(parsing, Control("chkSmartLF"), 1, 0);
    add(parsing, Control("chkMultCR"), 2, 0);
    add(parsing, Control("chkSkipW"), 3, 0);
    add(parsing, button("btnEditW", "&Edit \"marked\" phrases"), 4, 0);
    add(parsing, label("Use the following editor"), 5, 0);
    add(parsing, Control("txtEditor"), 6, 0);
    add(parsing, button("btnEditInpF", "Edit Input txt File"), 7, 0);
    add(parsing, Control("chkBookParas"), 8, 0);
    add(parsing, Control("chkFrontBack"), 9, 0);
    add(parsing, Control("chkHyphenate"), 10, 0);
    add(parsing, Control("chkJustify"), 11, 0);
    auto* language = new QHBoxLayout();
    language->addWidget(label("Language"));
    language->addWidget(Control("txtLanguage"));
    parsing->addLayout(language, 12, 0);
    add(parsing, Control("chkWidows"), 13, 0);
    add(parsing, Control("chkTypoPunct"), 14, 0);
    Control("txtLanguage")->setToolTip("The language of the book's hyphenation, such as en-US, de or fr. Empty: the "
                                       "language the book names, else English.");
    Control("chkTypoPunct")->setToolTip("Curly quotes, dashes and ellipses for the typewriter's marks; the "
                                        "underscores of _emphasis_ go.");
    // The newer captions are longer than the frame is wide: they go on two lines.
    for (const char* name : {"chkBookParas", "chkFrontBack", "chkWidows"})
        WrapCaption(*Control<QCheckBox>(name), Px(2295) - 40);

    QGridLayout* font = frame("Screen Font (Central Europe)", Twips(60, 5340, 2835, 1815));
    font->addWidget(Control("lstFonts(0)"), 0, 0, 3, 1);
    Control("lstFonts(0)")->setMinimumWidth(128);
    Control("txtFontSize")->setMaximumWidth(48);
    add(font, label("Size: "), 0, 1);
    add(font, Control("txtFontSize"), 0, 2);
    add(font, Control("chkBold"), 1, 1, 2);
    SampleLabel = new QLabel(" Sample Text for Font");
    SampleLabel->setObjectName("lblSample");
    SampleLabel->setWordWrap(true);
    add(font, SampleLabel, 2, 1, 2);
    add(font, Control("chkKerning"), 3, 0, 3);
    Control("chkKerning")->setToolTip("Latin, Greek and Cyrillic text shaped as the face says: kerned pairs and "
                                      "ligatures. Scripts that need shaping always have it.");

    at(button("btnAbout", "About"), Twips(120, 7260, 2775, 855));

    connect(Control<QPushButton>("btnOK"), &QPushButton::clicked, this, [this] { hide(); });
    connect(Control<QPushButton>("btnAbout"), &QPushButton::clicked, this, [this] { emit aboutRequested(); });
    connect(Control<QPushButton>("btnBrowseInp"), &QPushButton::clicked, this, [this] { ChooseInputFile(false); });
    connect(Control<QPushButton>("btnBrowseOut"), &QPushButton::clicked, this, [this] { ChooseOutputFolder(); });
    connect(Control<QPushButton>("btnEditInpF"), &QPushButton::clicked, this, [this] { EditInputFile(); });
    connect(Control<QPushButton>("btnEditW"), &QPushButton::clicked, this, [this] { EditPhrases(); });
    connect(Control<QPushButton>("btnTestMask"), &QPushButton::clicked, this, [this] { TestMasks(); });
    connect(Control<QPushButton>("btnSaveProf"), &QPushButton::clicked, this, [this] { SaveProfileClicked(); });
    connect(Control<QPushButton>("btnLoadProf"), &QPushButton::clicked, this, [this] { LoadProfileClicked(); });
}

bool frmConfig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Control("txtInpFile")) {
            ChooseInputFile(true);
            return true;
        }
        if (watched == Control("txtEditor")) {
            ChooseEditor();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmConfig::showEvent(QShowEvent* event)
{
    // Listing every family reads the whole font configuration, which the program's start need not wait for.
    if (!mFamiliesListed) {
        mFamiliesListed = true;
        mSettings.FillFontList(FontListEntries(OfferedFaces(), InstalledFamilies()));
    }
    QWidget::showEvent(event);
}

void frmConfig::Sync(const std::string& name)
{
    if (name == "optScrRes") {
        for (int i = 0; i <= 3; ++i)
            SyncControl("optScrRes(" + std::to_string(i) + ")");
    } else if (name == "lstFonts") {
        SyncControl("lstFonts(0)");
    } else if (FindControl(name)) {
        SyncControl(name);
    }
}

void frmConfig::SyncControl(const std::string& key)
{
    QWidget* widget = Control(key);
    const auto open = key.find('(');
    const std::string name = key.substr(0, open);
    const int index = open == std::string::npos ? -1 : std::atoi(key.c_str() + open + 1);
    if (!widget || !FindControl(name, index))
        return;
    const QSignalBlocker block(widget);
    const std::string& value = mSettings.Value(name, index);
    widget->setEnabled(mSettings.Enabled(name, index));
    if (auto* box = dynamic_cast<QCheckBox*>(widget)) {
        box->setTristate(value == "2");
        box->setCheckState(value == "1" ? Qt::Checked : value == "2" ? Qt::PartiallyChecked : Qt::Unchecked);
    } else if (auto* option = dynamic_cast<QRadioButton*>(widget)) {
        option->setChecked(value == "1");
    } else if (auto* box = dynamic_cast<QComboBox*>(widget)) {
        box->setCurrentIndex(box->findText(Q(value)));
    } else if (auto* list = dynamic_cast<QListWidget*>(widget)) {
        if (list->count() != static_cast<int>(mSettings.FontEntries().size())) {
            list->clear();
            for (const std::string& face : mSettings.FontEntries())
                list->addItem(Q(face));
        }
        const auto& entries = mSettings.FontEntries();
        const auto found = std::find(entries.begin(), entries.end(), value);
        list->setCurrentRow(found == entries.end() ? -1 : static_cast<int>(found - entries.begin()));
        if (list->currentItem())
            list->scrollToItem(list->currentItem());
    } else if (auto* edit = dynamic_cast<QLineEdit*>(widget)) {
        QString text = Q(value);
        if (name == "txtMsg") {
            const QFontMetrics metrics(edit->font());
            text = Q(CompactToFit(value, edit->width() - Px(100),
                                  [&](std::string_view t) { return metrics.horizontalAdvance(Q(std::string(t))); }));
        }
        if (edit->text() != text) {
            edit->setText(text);
            if (name == "txtMsg")
                edit->setCursorPosition(0);  // a message longer than the line shows its beginning
        }
    }
}

void frmConfig::CanvasFontChanged()
{
    const PageCanvas& canvas = mSettings.Canvas();
    // Told after every change of the canvas, a cleared page included: restyling only for a new font.
    const std::string key = canvas.FontFamily() + "/" + std::to_string(canvas.FontSize()) + "/" +
                            std::to_string(canvas.FontBold()) + "/" +
                            std::to_string(static_cast<int>(canvas.CurrentGlyphMode()));
    if (key == mSampleFont)
        return;
    mSampleFont = key;
    QFont font(Q(canvas.FontFamily()));
    font.setPointSizeF(canvas.FontSize());
    font.setBold(canvas.FontBold());
    font.setStyleStrategy(canvas.CurrentGlyphMode() == GlyphMode::Monochrome ? QFont::NoAntialias
                                                                              : QFont::PreferDefault);
    SampleLabel->setFont(font);
}

void frmConfig::ChooseInputFile(bool thenUpdatePath)
{
    const std::string file =
        CurrentDialogs().PickOpenFile(this, mDocument.Context().AppFolder + "/eBooks",
                                      "Books (*.txt *.epub *.html *.htm *.xhtml)|*.txt;*.epub;*.html;*.htm;*.xhtml|"
                                      "All files (*)|*");
    if (file.empty())
        return;
    if (CurrentDialogs().AskYesNo(this, "Reset current settings?", ProgramTitle(), Dialogs::Icon::Critical))
        mSettings.ResetAllControls();
    OpenBook(file);
    if (thenUpdatePath)
        mSettings.UpdateOutputPath();
}

void frmConfig::OpenBook(const std::string& file)
{
    mSettings.SetText("txtInpFile", file);
    mSettings.SetText("txtJPGOutPath", FolderOf(file));
    mSettings.SetText("txtOutFileName", BaseName(file));
}

void frmConfig::ChooseOutputFolder()
{
    const std::string folder = CurrentDialogs().PickFolder(this, "Folders");
    if (!folder.empty())
        mSettings.SetText("txtJPGOutPath", folder);
}

void frmConfig::EditInputFile()
{
    const std::string& editor = mSettings.Value("txtEditor");
    const std::string& book = mSettings.Value("txtInpFile");
    std::string start = editor.substr(0, 8);
    std::transform(start.begin(), start.end(), start.begin(), [](unsigned char c) { return std::tolower(c); });
    // "explorer", or no editor at all, means the desktop's own program for the file.
    const bool byDefault = start == "explorer" || editor.empty();
    if (byDefault ? CurrentDialogs().OpenWithDefault(book) : CurrentDialogs().Launch(editor, {book}))
        return;
    const std::string text =
        byDefault ? "Cannot open " + book + ": no program is set up on this desktop to open it (xdg-open is missing "
                                            "or could not be started). Type an editor into \"Use the following "
                                            "editor\", or double-click the box to choose one."
                  : "Cannot open " + book + " with " + editor;
    CurrentDialogs().Message(this, text, ProgramTitle(), Dialogs::Icon::Exclamation);
}

void frmConfig::ChooseEditor()
{
    const std::string program =
        CurrentDialogs().PickOpenFile(this, mDocument.Context().AppFolder, "Programs (any file)|*");
    if (!program.empty())
        mSettings.TypeText("txtEditor", program);
}

void frmConfig::EditPhrases()
{
    frmEdit editor(mSettings, this);
    editor.exec();
}

void frmConfig::TestMasks()
{
    frmTestMask tester(mSettings, this);
    tester.exec();
    ApplyMaskTesterResult(mSettings);
}

void frmConfig::SaveProfileClicked()
{
    // A profile is named after the file root: without one, the book's name serves, or the user gives a name.
    if (mSettings.FileRoot().empty() || mSettings.FileRoot() == FindControl("txtOutFileName")->defaultValue) {
        std::string name = mSettings.InputPath().empty() ? "" : BaseName(mSettings.InputPath());
        if (name.empty())
            name = CurrentDialogs().AskText(this, "A profile is named after the file root. Name of the profile:",
                                            ProgramTitle());
        if (name.empty()) {
            mSettings.SetText("txtMsg", "Nothing done");
            return;
        }
        mSettings.TypeText("txtOutFileName", name);
    }
    const ProfileResult saved = SaveProfile(mSettings, mDocument.Context().ProfilesFolder);
    if (saved.ok)
        mDocument.Context().ProfilePath = saved.path;
    else
        CurrentDialogs().Message(this, saved.error, ProgramTitle(), Dialogs::Icon::Exclamation);
}

void frmConfig::LoadProfileClicked()
{
    const std::string path =
        CurrentDialogs().PickOpenFile(this, mDocument.Context().ProfilesFolder, "Profile File (*.cfg)|*.cfg");
    if (path.empty())
        return;  // cancelled: the settings and the phrase list stay as they were
    const ProfileResult loaded = LoadProfile(mSettings, path);
    if (!loaded.ok) {
        CurrentDialogs().Message(this, loaded.error, ProgramTitle(), Dialogs::Icon::Exclamation);
        return;
    }
    mDocument.Context().ProfilePath = path;
    if (!loaded.skipped.empty()) {
        std::string text = "Some records of " + path + " were skipped:";
        for (const std::string& skipped : loaded.skipped)
            text += "\n" + skipped;
        CurrentDialogs().Message(this, text, ProgramTitle(), Dialogs::Icon::Exclamation);
    }
}
