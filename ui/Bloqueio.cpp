#include "Bloqueio.h"

#include "DeviceCall.h"
#include "Screens.h"
#include "Tiles.h"

#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

const QStringList TForm12::note = {
    "Obs: Está função não deve ser enviada para tentatitva de desbloqueio autônomo do ",
    "SAT. O bloqueio autônomo só é recuperado quando a causa raiz do problema é",
    "solucionada, por exemplo, comunicação com a SEFAZ OK."};

TForm12::TForm12(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Bloqueio/Desbloqueio VEXOR", QSize(520, 200)), messages_(this),
      lock_(screens.client)
{
    setObjectName("Form12");
    setFont(tahoma());

    RadioButton1 = new QRadioButton("Bloquear", this);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton("Desbloquear", this);
    RadioButton2->setObjectName("RadioButton2");
    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Executar", 48, this);
    connect(Image2, &QToolButton::clicked, this, &TForm12::Image2Click);

    QLabel** labels[] = {&Label1, &Label2, &Label3};
    auto* noteLayout = new QVBoxLayout;
    noteLayout->setSpacing(0);
    for (int i = 0; i < note.size(); ++i) {
        QLabel* label = new QLabel(note[i], this);
        label->setObjectName(QString("Label%1").arg(i + 1));
        label->setTextFormat(Qt::PlainText);
        noteLayout->addWidget(label);
        *labels[i] = label;
    }

    auto* layout = new QGridLayout(this);
    layout->addWidget(RadioButton1, 0, 0);
    layout->addWidget(RadioButton2, 1, 0);
    layout->addWidget(Image2, 0, 1, 2, 1, Qt::AlignRight);
    layout->addLayout(noteLayout, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    setTabOrder(RadioButton1, Image2);
}

void TForm12::Image2Click()
{
    const bool block = RadioButton1->isChecked();
    const auto message = devicecall::run([&] { return block ? lock_.block() : lock_.unblock(); });
    if (!message)
        return;
    messages_.show(*message);
    // The operator can press again at once, from the keyboard as well.
    activateWindow();
    Image2->setFocus(Qt::OtherFocusReason);
}
