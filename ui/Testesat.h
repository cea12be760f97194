#pragma once

#include "DeviceTest.h"
#include "MessageBoxes.h"
#include "Screen.h"

class ImageButton;
class QGroupBox;
class QRadioButton;

// The end-to-end test through the tax authority and the link test to the device.
class TForm7 : public Screen {
    Q_OBJECT
public:
    TForm7(Screens& screens, QWidget* owner);

    void Image1Click();

    QGroupBox* GroupBox1;
    QRadioButton* fimafim;
    QRadioButton* RadioButton2;
    ImageButton* Image1;

private:
    MessageBoxes messages_;
    DeviceTest test_;
};
