#include "CodeChangeFields.h"

#include "Fields.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CodeChangeFields::CodeChangeFields(QWidget* parent) : QWidget(parent)
{
    setObjectName("CodeChangeFields");
    RadioGroup1 = new QGroupBox(" Usar  ", this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioButton1 = new QRadioButton("Código de ativação", RadioGroup1);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton("Código de emergência", RadioGroup1);
    RadioButton2->setObjectName("RadioButton2");
    auto* options = new QVBoxLayout(RadioGroup1);
    options->addWidget(RadioButton1);
    options->addWidget(RadioButton2);

    Codigo = secretField("Codigo", this);
    CodigoLabel = fieldLabel("Código", Codigo, this);
    ncod = secretField("ncod", this);
    ncodLabel = fieldLabel("Novo código", ncod, this);
    ncodconf = secretField("ncodconf", this);
    ncodconfLabel = fieldLabel("Confirma novo código", ncodconf, this);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RadioGroup1, 0, 0, 6, 1, Qt::AlignTop);
    layout->addWidget(CodigoLabel, 0, 1);
    layout->addWidget(Codigo, 1, 1);
    layout->addWidget(ncodLabel, 2, 1);
    layout->addWidget(ncod, 3, 1);
    layout->addWidget(ncodconfLabel, 4, 1);
    layout->addWidget(ncodconf, 5, 1);
    layout->setColumnStretch(1, 1);
}

CodeChangeFields::Typed CodeChangeFields::typed() const
{
    Typed typed;
    typed.proof = RadioButton2->isChecked() ? ProofCode::EmergencyCode : ProofCode::ActivationCode;
    typed.code = utf8(Codigo->text());
    typed.newCode = utf8(ncod->text());
    typed.confirmation = utf8(ncodconf->text());
    return typed;
}
