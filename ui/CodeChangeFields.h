#pragma once

#include "ActivationCodeChange.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The fields both code-change screens share: which code proves the right to change, that
// code, the new code and its confirmation.
class CodeChangeFields : public QWidget {
    Q_OBJECT
public:
    explicit CodeChangeFields(QWidget* parent);

    // The texts as typed, in UTF-8; kept here so that the fields' views stay valid.
    struct Typed {
        ProofCode proof = ProofCode::ActivationCode;
        std::string code;
        std::string newCode;
        std::string confirmation;
        ActivationCodeChange::Fields fields() const { return {code, proof, newCode, confirmation}; }
    };
    Typed typed() const;

    QGroupBox* RadioGroup1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLabel* CodigoLabel;
    QLineEdit* Codigo;
    QLabel* ncodLabel;
    QLineEdit* ncod;
    QLabel* ncodconfLabel;
    QLineEdit* ncodconf;
};
