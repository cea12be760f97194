#include "Msg.h"

#include "Extrairlog.h"
#include "Screens.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm13::TForm13(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "TORVAL VEXOR", QSize(486, 131))
{
    setObjectName("Form13");
    setFont(tahoma());
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName("Mensagem");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("Ver Detalhes", this);
    Button2->setObjectName("Button2");
    connect(Button1, &QPushButton::clicked, this, &TForm13::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm13::Button2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
}

void TForm13::fillAndShow(const QString& message)
{
    Screens::openScreen(this);
    Memo1->clear();
    Memo1->appendPlainText(message);
}

void TForm13::Button1Click()
{
    close();
}

void TForm13::Button2Click()
{
    TForm14* logs = screens_.Form14();
    Screens::openScreen(logs);
    logs->extract();
}
