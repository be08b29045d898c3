#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class SettingsModel;

// The mask tester: tries a chapter or paragraph mask on a sample text and hands the mask back with OK.
class frmTestMask : public QDialog {
public:
    frmTestMask(SettingsModel& settings, QWidget* parent);

    void Test();

    QLineEdit* txtMaskToTest = nullptr;
    QLineEdit* txtTextToTest = nullptr;
    QPushButton* btnTestMaks = nullptr;
    QLabel* lblMasktestRes = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void reject() override;

private:
    SettingsModel& mSettings;
};
