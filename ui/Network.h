#pragma once

#include "Screen.h"

class TForm15 : public Screen {
    Q_OBJECT
public:
    TForm15(Screens& screens, QWidget* owner);
};
