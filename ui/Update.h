#pragma once

#include "MessageBoxes.h"
#include "Operator.h"
#include "Screen.h"
#include "SoftwareUpdate.h"

class ImageButton;
class QProgressBar;
class QTimer;

// The device's software update: one button, a bar that moves by one a second while the device
// works, and the outcome.
class TForm6 : public Screen, private ProgressSink, private TickSwitch {
    Q_OBJECT
public:
    TForm6(Screens& screens, QWidget* owner);

    void Image2Click();
    void Timer1Timer();
    // The tile shows an empty bar.
    void openedFromTile();

    ImageButton* Image2;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;

private:
    void setProgress(int value) override;
    int progress() const override;
    void setTicking(bool on) override;

    MessageBoxes messages_;
    SoftwareUpdate update_;
};
