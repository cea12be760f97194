#include "Sign.h"

#include "DeviceCall.h"
#include "Fields.h"
#include "Screens.h"
#include "Tiles.h"

#include <QGridLayout>
#include <QLabel>

#include <limits>

TForm17::TForm17(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Associar Assinatura", QSize(624, 234)), messages_(this),
      association_(screens.client)
{
    setObjectName("Form17");
    setFont(tahoma());

    CNPJContribuinte = new CnpjField("CNPJContribuinte", this);
    Label1 = fieldLabel("CNPJ Contribuinte", CNPJContribuinte, this);
    Label1->setObjectName("Label1");
    CNPJSW = new CnpjField("CNPJSW", this);
    Label2 = fieldLabel("CNPJ Software House", CNPJSW, this);
    Label2->setObjectName("Label2");
    assinatura = new QLineEdit(this);
    assinatura->setObjectName("assinatura");
    // A signature is long; the field takes it whole.
    assinatura->setMaxLength(std::numeric_limits<int>::max());
    Label3 = fieldLabel("Assinatura AC", assinatura, this);

    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Associar", 48, this);
    connect(Image2, &QToolButton::clicked, this, &TForm17::Image2Click);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(24);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(CNPJContribuinte, 1, 0);
    layout->addWidget(Label2, 0, 1);
    layout->addWidget(CNPJSW, 1, 1);
    layout->addWidget(Label3, 2, 0, 1, 2);
    layout->addWidget(assinatura, 3, 0, 1, 2);
    layout->addWidget(Image2, 4, 1, Qt::AlignRight);
    layout->setRowStretch(5, 1);

    setTabOrder(CNPJContribuinte, CNPJSW);
    setTabOrder(CNPJSW, assinatura);
    setTabOrder(assinatura, Image2);
}

void TForm17::Image2Click()
{
    const std::string taxpayer = utf8(CNPJContribuinte->maskedText());
    const std::string softwareHouse = utf8(CNPJSW->maskedText());
    const std::string signature = utf8(assinatura->text());
    const auto outcome =
        devicecall::run([&] { return association_.associate(taxpayer, softwareHouse, signature); });
    if (outcome)
        messages_.show(*outcome);
}
