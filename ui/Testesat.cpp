#include "Testesat.h"

#include "DeviceCall.h"
#include "Screens.h"
#include "Tiles.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

TForm7::TForm7(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Testes SAT", QSize(447, 202)), messages_(this), test_(screens.client)
{
    setObjectName("Form7");
    setFont(tahoma());

    GroupBox1 = new QGroupBox(" Tipo Teste", this);
    GroupBox1->setObjectName("GroupBox1");
    fimafim = new QRadioButton("PDV<->SEFAZ", GroupBox1);
    fimafim->setObjectName("fimafim");
    RadioButton2 = new QRadioButton("PDV<->SAT", GroupBox1);
    RadioButton2->setObjectName("RadioButton2");
    auto* options = new QVBoxLayout(GroupBox1);
    options->addWidget(fimafim);
    options->addWidget(RadioButton2);

    Image1 = new ImageButton("Image1", ":/icons/run.svg", "Iniciar teste", 48, this);
    connect(Image1, &QToolButton::clicked, this, &TForm7::Image1Click);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(Image1, 0, Qt::AlignCenter);
    setTabOrder(fimafim, RadioButton2);
    setTabOrder(RadioButton2, Image1);
}

void TForm7::Image1Click()
{
    if (devicecall::running())
        return;
    for (const DeviceTest::Kind kind :
         DeviceTest::chosen(fimafim->isChecked(), RadioButton2->isChecked())) {
        // The end-to-end test waits for the tax authority: the windows keep painting meanwhile.
        if (const auto outcome = devicecall::run([&] { return test_.perform(kind); }))
            messages_.show(*outcome);
    }
    if (fimafim->isChecked() || RadioButton2->isChecked()) {
        activateWindow();
        Image1->setFocus(Qt::OtherFocusReason);
    }
}
