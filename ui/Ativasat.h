#pragma once

#include "Activation.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "Screen.h"

class CnpjField;
class ImageButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The activation dialog: a new device activated for a taxpayer with a new activation code.
// The device's answer goes to the message window, a certificate request to its window.
class TForm16 : public Screen {
    Q_OBJECT
public:
    TForm16(Screens& screens, QWidget* owner);

    void Image2Click();

    static const QStringList federationUnits;

    QLabel* Label1;
    CnpjField* CNPJContribuinte;
    QLabel* Label2;
    QLineEdit* CodAtv;
    QLabel* Label3;
    QLineEdit* CodAtv2;
    QGroupBox* GroupBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QLabel* Label4;
    QComboBox* ComboBox1;
    ImageButton* Image2;

private:
    void present(const Activation::Reply& reply);

    MessageBoxes messages_;
    FileDialogs SaveDialog1;
    Activation activation_;
};
