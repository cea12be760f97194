#include "Csr.h"

#include "Screens.h"
#include "TextAreaSink.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TForm11::TForm11(Screens& screens, QWidget* owner) : Screen(screens, owner, "CSR", QSize(729, 382))
{
    setObjectName("Form11");
    setFont(tahoma());
    Label1 = new QLabel(
        "Copie o CSR abaixo para solicitar obter o CRT. Uma cópia será salva em arquivo.", this);
    Label1->setObjectName("Label1");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("CSR");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Label1->setBuddy(Memo1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
}

void TForm11::appendRequest(const QString& request)
{
    Memo1->appendPlainText(request);
    Screens::openScreen(this);
}

QStringList TForm11::lines() const
{
    return shownLines(Memo1);
}
