#pragma once

#include "Screen.h"

class TForm12 : public Screen {
    Q_OBJECT
public:
    TForm12(Screens& screens, QWidget* owner);
};
