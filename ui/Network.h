#pragma once

#include "MessageBoxes.h"
#include "NetworkConfigurator.h"
#include "Screen.h"
#include "TextAreaSink.h"

#include <memory>

class ImageButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

// The network screen: DHCP or fixed addresses, the proxy, and the documents the device
// accepted.
class TForm15 : public Screen {
    Q_OBJECT
public:
    TForm15(Screens& screens, QWidget* owner);
    ~TForm15() override;

    // What a press of the send button reads, every field whether enabled or not.
    NetworkSettings settings() const;
    // The selected proxy item, or -1 when the box holds a text that is no item.
    int proxyIndex() const;

    void Image3Click();
    void dhcpClick();
    void IPFixClick();
    void ComboBox1Change();

    QGroupBox* RadioGroup1;
    QRadioButton* dhcp;
    QRadioButton* IPFix;
    QLabel* Label2;
    QLineEdit* User;
    QLabel* Label3;
    QLineEdit* Password;
    QLabel* Label4;
    QLineEdit* IPSat;
    QLabel* Label5;
    QLineEdit* Mask;
    QLabel* Label6;
    QLineEdit* Gateway;
    QLabel* Label7;
    QLineEdit* DNS1;
    QLabel* Label8;
    QLineEdit* DNS2;
    QComboBox* ComboBox1;
    QLabel* Label9;
    QLineEdit* IPProxy;
    QLabel* Label10;
    QLineEdit* Port;
    QLabel* Label11;
    QLineEdit* UserProxy;
    QLabel* Label12;
    QLineEdit* PassProxy;
    ImageButton* Image3;
    QLabel* Label1;
    QPlainTextEdit* Memo1;

private:
    void setAddressFieldsEnabled(bool enabled);
    void setLoginFieldsEnabled(bool enabled);
    void setProxyFieldsEnabled(bool enabled);

    MessageBoxes messages_;
    std::unique_ptr<TextAreaSink> memo_;
    std::unique_ptr<NetworkConfigurator> configurator_;
};
