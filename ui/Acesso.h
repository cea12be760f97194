#pragma once

#include "Access.h"
#include "MessageBoxes.h"

#include <QDialog>

#include <functional>

class Screens;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The access dialog: which kind of device is attached and, for the kinds that have one, its
// activation code. It closes only when the code is proved, or at once for a device declared
// not activated.
class TOKRightDlg2 : public QDialog {
    Q_OBJECT
public:
    TOKRightDlg2(Screens& screens, QWidget* owner);

    void OKBtnClick();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void SpeedButton1Click();

    DeviceKind selectedKind() const;

    // Ends the process when the closing check demands it; replaceable so that tests survive it.
    std::function<void(int)> endProcess;

    QFrame* Bevel1;
    QLabel* Label1;
    QLineEdit* codATV;
    QLabel* Label2;
    QPushButton* SpeedButton1;
    QPushButton* Button1;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton1;

protected:
    void closeEvent(QCloseEvent* event) override;
    // There is no Cancel button: Esc does not close the dialog.
    void reject() override {}

private:
    void FormClose();

    Screens& screens_;
    MessageBoxes messages_;
    AccessConfirmation confirmation_;
};
