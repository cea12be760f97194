#pragma once

#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "SaleTest.h"
#include "Screen.h"
#include "TextAreaSink.h"

class ImageButton;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;

// The sale test: a sale document from a file goes to the device, the CF-e it returns is shown
// and can be saved, and the last sale can be cancelled.
class TFiscal : public Screen {
    Q_OBJECT
public:
    TFiscal(Screens& screens, QWidget* owner);

    void Image5Click();
    void Image2Click();
    void Image4Click();

    const SaleTest& sale() const { return sale_; }

    QGroupBox* RadioGroup1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    ImageButton* Image5;
    ImageButton* Image2;
    ImageButton* Image4;
    QPlainTextEdit* XMLEntrada;
    QLabel* Label2;
    QPlainTextEdit* Memo1;
    QLabel* Label1;
    QPlainTextEdit* XMLSaida;

private:
    void save();
    void takeFocusBack(QWidget* control);

    MessageBoxes messages_;
    FileDialogs files_;
    TextAreaSink input_;
    TextAreaSink answer_;
    TextAreaSink output_;
    SaleTest sale_;
};
