#include "Extrairlog.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TForm14::TForm14(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Logs", QSize(827, 444))
{
    setObjectName("Form14");
    setFont(tahoma());
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Logs");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(Memo1, 0);
    Memo1->setFixedHeight(307);
}
