#pragma once

#include "DeviceLock.h"
#include "MessageBoxes.h"
#include "Screen.h"

class ImageButton;
class QLabel;
class QRadioButton;

// Blocks or unblocks the device, with no confirmation asked.
class TForm12 : public Screen {
    Q_OBJECT
public:
    TForm12(Screens& screens, QWidget* owner);

    void Image2Click();

    static const QStringList note;

    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    ImageButton* Image2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

private:
    MessageBoxes messages_;
    DeviceLock lock_;
};
