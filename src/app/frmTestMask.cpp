#include "app/frmTestMask.h"

#include "app/QtHost.h"
#include "base/HostHooks.h"
#include "settings/MaskTester.h"
#include "settings/SettingsModel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmTestMask::frmTestMask(SettingsModel& settings, QWidget* parent) : QDialog(parent), mSettings(settings)
{
    setObjectName("frmTestMask");
    setWindowTitle("Test Mask");
    setModal(true);
    resize(460, 170);
    auto* grid = new QGridLayout(this);
    auto* label1 = new QLabel("Mask to test", this);
    label1->setObjectName("Label1");
    auto* label2 = new QLabel("Text to test", this);
    label2->setObjectName("Label2");
    txtMaskToTest = new QLineEdit(this);
    txtMaskToTest->setObjectName("txtMaskToTest");
    txtTextToTest = new QLineEdit("Chapter 1.1 The road", this);
    txtTextToTest->setObjectName("txtTextToTest");
    btnTestMaks = new QPushButton("Test Mask with Text", this);
    btnTestMaks->setObjectName("btnTestMaks");
    lblMasktestRes = new QLabel("RESULT", this);
    lblMasktestRes->setObjectName("lblMasktestRes");
    lblMasktestRes->setAlignment(Qt::AlignCenter);
    lblMasktestRes->setAutoFillBackground(true);
    btnOK = new QPushButton("&OK", this);
    btnOK->setObjectName("btnOK");
    btnCancel = new QPushButton("&Cancel", this);
    btnCancel->setObjectName("btnCancel");
    grid->addWidget(label1, 0, 0);
    grid->addWidget(txtMaskToTest, 0, 1, 1, 2);
    grid->addWidget(label2, 1, 0);
    grid->addWidget(txtTextToTest, 1, 1, 1, 2);
    grid->addWidget(btnTestMaks, 2, 0);
    grid->addWidget(lblMasktestRes, 2, 1, 1, 2);
    grid->addWidget(btnOK, 3, 1);
    grid->addWidget(btnCancel, 3, 2);

    txtMaskToTest->setText(QString::fromStdString(OpenMaskTester(mSettings)));
    if (ClipboardHook* clipboard = CurrentClipboard()) {
        const QString text = QString::fromStdString(clipboard->Text()).trimmed();
        if (!text.isEmpty())
            txtTextToTest->setText(text);
    }
    connect(btnTestMaks, &QPushButton::clicked, this, [this] { Test(); });
    connect(btnOK, &QPushButton::clicked, this, [this] {
        CloseMaskTester(mSettings, true, txtMaskToTest->text().toStdString());
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
}

void frmTestMask::Test()
{
    const MaskTestResult result = TestMask(txtMaskToTest->text().toStdString(), txtTextToTest->text().toStdString());
    if (!result.error.empty())
        CurrentDialogs().Message(this, result.error, ProgramTitle(), Dialogs::Icon::Critical);
    lblMasktestRes->setText(QString::fromStdString(result.label));
    QPalette palette = lblMasktestRes->palette();
    palette.setColor(QPalette::Window, QColor(result.background.red, result.background.green, result.background.blue));
    palette.setColor(QPalette::WindowText, QColor(result.foreground.red, result.foreground.green, result.foreground.blue));
    lblMasktestRes->setPalette(palette);
}

void frmTestMask::reject()
{
    CloseMaskTester(mSettings, false, "");
    QDialog::reject();
}
