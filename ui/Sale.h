#pragma once

#include "Screen.h"

class QPlainTextEdit;

class TFiscal : public Screen {
    Q_OBJECT
public:
    TFiscal(Screens& screens, QWidget* owner);

    QPlainTextEdit* XMLEntrada;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* XMLSaida;
};
