#pragma once

#include "Screen.h"

class QPlainTextEdit;

class TForm14 : public Screen {
    Q_OBJECT
public:
    TForm14(Screens& screens, QWidget* owner);

    QPlainTextEdit* Memo1;
};
