#pragma once

#include "Screen.h"

class TForm7 : public Screen {
    Q_OBJECT
public:
    TForm7(Screens& screens, QWidget* owner);
};
