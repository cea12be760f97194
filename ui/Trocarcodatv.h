#pragma once

#include "Screen.h"

class TForm18 : public Screen {
    Q_OBJECT
public:
    TForm18(Screens& screens, QWidget* owner);
};
