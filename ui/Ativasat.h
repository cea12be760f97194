#pragma once

#include "Screen.h"

class TForm16 : public Screen {
    Q_OBJECT
public:
    TForm16(Screens& screens, QWidget* owner);
};
