#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class SettingsModel;

// The marked-phrase editor: the phrases as text, one a line; OK writes them back into the list, closing the
// window otherwise leaves the list as it was.
class frmEdit : public QDialog {
public:
    frmEdit(SettingsModel& settings, QWidget* parent);

    QLabel* Label1 = nullptr;
    QPlainTextEdit* txtSkipW = nullptr;
    QPushButton* btnOK = nullptr;

private:
    SettingsModel& mSettings;
};
