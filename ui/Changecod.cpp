#include "Changecod.h"

#include "CodeChangeFields.h"
#include "DeviceCall.h"
#include "Groupeditems.h"
#include "Screens.h"
#include "Tiles.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TForm8::TForm8(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Trocar Código Ativação", QSize(1024, 768)), messages_(this),
      change_(screens.client)
{
    setObjectName("Form8");
    setWindowFlag(Qt::FramelessWindowHint);
    setWindowState(Qt::WindowFullScreen);

    QFont large = tahoma();
    large.setPointSize(16);
    setFont(large);

    auto* centre = new QWidget(this);
    centre->setMaximumWidth(720);
    fields = new CodeChangeFields(centre);
    // The frame's style sheet gives its options the small default font otherwise.
    fields->RadioButton1->setFont(large);
    fields->RadioButton2->setFont(large);
    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Trocar código", 64, centre);
    connect(Image2, &QToolButton::clicked, this, &TForm8::Image2Click);
    auto* column = new QVBoxLayout(centre);
    column->addWidget(fields);
    column->addWidget(Image2, 0, Qt::AlignRight);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, AppBar::barHeight + 8);
    layout->addStretch(1);
    layout->addWidget(centre, 0, Qt::AlignVCenter);
    layout->addStretch(1);

    appBar = new AppBar(this);
    Image1 = new ImageButton("Image1", ":/icons/back.svg", "Voltar", 44, appBar);
    CloseButton = new ImageButton("CloseButton", ":/icons/exit.svg", "Sair", 44, appBar);
    appBar->addLeft(Image1);
    appBar->addRight(CloseButton);
    connect(Image1, &QToolButton::clicked, this, &TForm8::Image1Click);
    connect(CloseButton, &QToolButton::clicked, this, &TForm8::CloseButtonClick);

    setTabOrder(fields->ncodconf, Image2);
}

void TForm8::Image2Click()
{
    const CodeChangeFields::Typed typed = fields->typed();
    const auto outcome =
        devicecall::run([&] { return change_.changeWithoutChecks(typed.fields()); });
    if (outcome)
        messages_.show(*outcome);
}

void TForm8::Image1Click()
{
    hide();
    Screens::openScreen(screens_.GridForm());
}

void TForm8::CloseButtonClick()
{
    // The one way out that tells every window, the access dialog included, that the program
    // is ending rather than being closed by the operator.
    VexorApplication::endEventLoop();
}

void TForm8::FormKeyDown(int key)
{
    appBar->keyDown(key);
}

void TForm8::FormGesture(AppBar::Gesture gesture)
{
    appBar->gesture(gesture);
}

void TForm8::previewKey(QKeyEvent* event)
{
    FormKeyDown(event->key());
}
