#pragma once

#include "MessageBoxes.h"
#include "Screen.h"
#include "SignatureAssociation.h"

class CnpjField;
class ImageButton;
class QLabel;
class QLineEdit;

// The signature-association dialog: the taxpayer's and the software house's CNPJ with the
// point-of-sale application's signature.
class TForm17 : public Screen {
    Q_OBJECT
public:
    TForm17(Screens& screens, QWidget* owner);

    void Image2Click();

    QLabel* Label1;
    CnpjField* CNPJContribuinte;
    QLabel* Label2;
    CnpjField* CNPJSW;
    QLabel* Label3;
    QLineEdit* assinatura;
    ImageButton* Image2;

private:
    MessageBoxes messages_;
    SignatureAssociation association_;
};
