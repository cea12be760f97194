#pragma once

#include "Screen.h"

class QProgressBar;

class TForm6 : public Screen {
    Q_OBJECT
public:
    TForm6(Screens& screens, QWidget* owner);

    QProgressBar* ProgressBar1;
};
