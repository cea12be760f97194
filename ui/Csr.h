#pragma once

#include "Screen.h"

class QLabel;
class QPlainTextEdit;

// The certificate signing request the device returned, for the operator to copy.
class TForm11 : public Screen {
    Q_OBJECT
public:
    TForm11(Screens& screens, QWidget* owner);

    // Appends the request below any earlier one and brings the window to the front.
    void appendRequest(const QString& request);
    QStringList lines() const;

    QLabel* Label1;
    QPlainTextEdit* Memo1;
};
