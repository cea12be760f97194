#include "Sale.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

QPlainTextEdit* textArea(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* area = new QPlainTextEdit(parent);
    area->setObjectName(name);
    area->setAccessibleName(accessibleName);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    return area;
}

} // namespace

TFiscal::TFiscal(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Fiscal", QSize(731, 400))
{
    setObjectName("Fiscal");
    setFont(tahoma());
    XMLEntrada = textArea("XMLEntrada", "XML Entrada", this);
    Memo1 = textArea("Memo1", "Resposta SAT", this);
    XMLSaida = textArea("XMLSaida", "XML Saída", this);
    auto* label2 = new QLabel("Resposta SAT", this);
    label2->setObjectName("Label2");
    label2->setBuddy(Memo1);
    auto* label1 = new QLabel("XML Saída", this);
    label1->setObjectName("Label1");
    label1->setBuddy(XMLSaida);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(XMLEntrada);
    layout->addWidget(label2);
    layout->addWidget(Memo1);
    layout->addWidget(label1);
    layout->addWidget(XMLSaida);
}
