#pragma once

#include "Screen.h"

// The full-screen activation-code change, reached from the access dialog.
class TForm8 : public Screen {
    Q_OBJECT
public:
    TForm8(Screens& screens, QWidget* owner);
};
