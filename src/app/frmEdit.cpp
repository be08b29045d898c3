#include "app/frmEdit.h"

#include "settings/PhraseEditor.h"
#include "settings/SettingsModel.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmEdit::frmEdit(SettingsModel& settings, QWidget* parent) : QDialog(parent), mSettings(settings)
{
    setObjectName("frmEdit");
    setWindowTitle("Edit \"marked\" phrases");
    setModal(true);
    resize(520, 380);
    auto* layout = new QVBoxLayout(this);
    Label1 = new QLabel(QString::fromStdString(kPhraseEditorInstructions).replace("\r\n", "\n"), this);
    Label1->setObjectName("Label1");
    txtSkipW = new QPlainTextEdit(this);
    txtSkipW->setObjectName("txtSkipW");
    txtSkipW->setLineWrapMode(QPlainTextEdit::NoWrap);  // one line, one phrase
    txtSkipW->setPlainText(QString::fromStdString(PhrasesToText(mSettings.MarkedPhrases())).replace("\r\n", "\n"));
    btnOK = new QPushButton("&OK", this);
    btnOK->setObjectName("btnOK");
    layout->addWidget(Label1);
    layout->addWidget(txtSkipW);
    layout->addWidget(btnOK, 0, Qt::AlignRight);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        mSettings.SetMarkedPhrases(TextToPhrases(txtSkipW->toPlainText().toStdString()));
        accept();
    });
}
