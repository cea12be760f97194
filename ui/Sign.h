#pragma once

#include "Screen.h"

class TForm17 : public Screen {
    Q_OBJECT
public:
    TForm17(Screens& screens, QWidget* owner);
};
