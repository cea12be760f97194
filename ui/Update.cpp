#include "Update.h"

#include "DeviceCall.h"
#include "Screens.h"
#include "Tiles.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QTimer>

TForm6::TForm6(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Atualiza Software SAT", QSize(447, 202)), messages_(this),
      update_(screens.client, *this, *this)
{
    setObjectName("Form6");
    setFont(tahoma());

    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Atualizar software", 48, this);
    connect(Image2, &QToolButton::clicked, this, &TForm6::Image2Click);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, SoftwareUpdate::maxProgress);
    ProgressBar1->setValue(0);
    ProgressBar1->setFixedWidth(150);
    ProgressBar1->setAccessibleName("Progresso");
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(SoftwareUpdate::tickIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);

    auto* layout = new QHBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(Image2);
    layout->addWidget(ProgressBar1);
    layout->addStretch(1);
}

void TForm6::Image2Click()
{
    if (devicecall::running() || !update_.begin())
        return;
    // An update takes minutes: the bar moves and the windows paint while the device works.
    const auto outcome = devicecall::run([this] { return update_.update(); });
    update_.reporting();
    if (outcome)
        messages_.show(*outcome);
    update_.finish();
    activateWindow();
    Image2->setFocus(Qt::OtherFocusReason);
}

void TForm6::Timer1Timer()
{
    update_.tick();
}

void TForm6::openedFromTile()
{
    update_.opened();
}

void TForm6::setProgress(int value)
{
    ProgressBar1->setValue(value);
}

int TForm6::progress() const
{
    return ProgressBar1->value();
}

void TForm6::setTicking(bool on)
{
    if (on)
        Timer1->start();
    else
        Timer1->stop();
}
