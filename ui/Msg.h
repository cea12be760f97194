#pragma once

#include "Screen.h"

class QPlainTextEdit;
class QPushButton;

// The message window: a device's answer to an activation that did not succeed, with the way
// on to the device's logs.
class TForm13 : public Screen {
    Q_OBJECT
public:
    TForm13(Screens& screens, QWidget* owner);

    // Brings the window to the front and replaces its text with the message.
    void fillAndShow(const QString& message);

    void Button1Click();
    void Button2Click();

    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button2;
};
