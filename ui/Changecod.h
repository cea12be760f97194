#pragma once

#include "ActivationCodeChange.h"
#include "AppBar.h"
#include "MessageBoxes.h"
#include "Screen.h"
#include "VexorApplication.h"

class CodeChangeFields;
class ImageButton;

// The full-screen activation-code change, reached from the access dialog by an operator who
// has forgotten the code. The device alone judges the new code.
class TForm8 : public Screen, public KeyPreview {
    Q_OBJECT
public:
    TForm8(Screens& screens, QWidget* owner);

    void Image2Click();
    void Image1Click();
    void CloseButtonClick();

    void FormKeyDown(int key);
    void FormGesture(AppBar::Gesture gesture);
    void previewKey(QKeyEvent* event) override;

    CodeChangeFields* fields;
    ImageButton* Image2;
    AppBar* appBar;
    ImageButton* Image1;
    ImageButton* CloseButton;

private:
    MessageBoxes messages_;
    ActivationCodeChange change_;
};
