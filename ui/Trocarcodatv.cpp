#include "Trocarcodatv.h"

#include "CodeChangeFields.h"
#include "DeviceCall.h"
#include "Screens.h"
#include "Tiles.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TForm18::TForm18(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Trocar Código Ativação", QSize(480, 240)), messages_(this),
      change_(screens.client)
{
    setObjectName("Form18");
    setFont(tahoma());
    fields = new CodeChangeFields(this);
    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Trocar código", 48, this);
    connect(Image2, &QToolButton::clicked, this, &TForm18::Image2Click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fields);
    layout->addWidget(Image2, 0, Qt::AlignRight);
    layout->addStretch(1);
    setTabOrder(fields->ncodconf, Image2);
}

void TForm18::Image2Click()
{
    const CodeChangeFields::Typed typed = fields->typed();
    const auto outcome = devicecall::run([&] { return change_.change(typed.fields()); });
    if (outcome)
        messages_.show(*outcome);
}
