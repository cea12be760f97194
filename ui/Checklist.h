#pragma once

#include <QDialog>

class Screens;
class QPushButton;

// The reminder of the conditions for activation, leading on to the activation dialog.
class TOKRightDlg : public QDialog {
    Q_OBJECT
public:
    TOKRightDlg(Screens& screens, QWidget* owner);

    void OKBtnClick();
    void CancelBtnClick();

    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    static const QStringList lines;

private:
    Screens& screens_;
};
