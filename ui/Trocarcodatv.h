#pragma once

#include "ActivationCodeChange.h"
#include "MessageBoxes.h"
#include "Screen.h"

class CodeChangeFields;
class ImageButton;

// The code-change dialog of the main menu: the new code is checked before it is sent.
class TForm18 : public Screen {
    Q_OBJECT
public:
    TForm18(Screens& screens, QWidget* owner);

    void Image2Click();

    CodeChangeFields* fields;
    ImageButton* Image2;

private:
    MessageBoxes messages_;
    ActivationCodeChange change_;
};
