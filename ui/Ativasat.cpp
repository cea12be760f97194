#include "Ativasat.h"

#include "Csr.h"
#include "DeviceCall.h"
#include "Fields.h"
#include "Msg.h"
#include "Screens.h"
#include "TextFile.h"
#include "Tiles.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

const QStringList TForm16::federationUnits = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO",
                                              "MA", "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI",
                                              "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"};

TForm16::TForm16(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Ativar SAT", QSize(560, 300)), messages_(this), SaveDialog1(this),
      activation_(screens.context, screens.client)
{
    setObjectName("Form16");
    setFont(tahoma());

    CNPJContribuinte = new CnpjField("CNPJContribuinte", this);
    Label1 = fieldLabel("CNPJ Contribuinte", CNPJContribuinte, this);
    CodAtv = secretField("CodAtv", this);
    Label2 = fieldLabel("Código de Ativação", CodAtv, this);
    CodAtv2 = secretField("CodAtv2", this);
    Label3 = fieldLabel("Confirma Código de Ativação", CodAtv2, this);

    GroupBox1 = new QGroupBox("Certificado SAT", this);
    GroupBox1->setObjectName("GroupBox1");
    RadioButton1 = new QRadioButton("AC-SAT", GroupBox1);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton("ICP-Brasil", GroupBox1);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton2->setEnabled(false);
    RadioButton3 = new QRadioButton("Renovação Certificado ICP-Brasil", GroupBox1);
    RadioButton3->setObjectName("RadioButton3");
    RadioButton3->setEnabled(false);
    auto* certificates = new QVBoxLayout(GroupBox1);
    certificates->addWidget(RadioButton1);
    certificates->addWidget(RadioButton2);
    certificates->addWidget(RadioButton3);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->addItems(federationUnits);
    ComboBox1->setCurrentText("SP");
    Label4 = fieldLabel("Unidade da Federação", ComboBox1, this);

    Image2 = new ImageButton("Image2", ":/icons/run.svg", "Ativar", 48, this);
    connect(Image2, &QToolButton::clicked, this, &TForm16::Image2Click);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(24);
    layout->addWidget(Label1, 0, 0);
    layout->addWidget(CNPJContribuinte, 1, 0);
    layout->addWidget(Label2, 2, 0);
    layout->addWidget(CodAtv, 3, 0);
    layout->addWidget(Label3, 4, 0);
    layout->addWidget(CodAtv2, 5, 0);
    layout->addWidget(GroupBox1, 0, 1, 4, 1);
    layout->addWidget(Label4, 4, 1);
    layout->addWidget(ComboBox1, 5, 1);
    layout->addWidget(Image2, 6, 1, Qt::AlignRight);
    layout->setRowStretch(7, 1);

    setTabOrder(CNPJContribuinte, CodAtv);
    setTabOrder(CodAtv, CodAtv2);
    setTabOrder(CodAtv2, RadioButton1);
    setTabOrder(RadioButton1, ComboBox1);
    setTabOrder(ComboBox1, Image2);
}

void TForm16::Image2Click()
{
    CertificateKind certificate = CertificateKind::AcSat;
    if (RadioButton2->isChecked())
        certificate = CertificateKind::IcpBrasil;
    else if (RadioButton3->isChecked())
        certificate = CertificateKind::IcpBrasilRenewal;
    // The selected unit is only shown: the device is always given the same state code.
    const std::string cnpj = utf8(CNPJContribuinte->maskedText());
    const std::string code = utf8(CodAtv->text());
    const std::string confirmation = utf8(CodAtv2->text());
    const auto reply = devicecall::run([&] {
        return activation_.call({cnpj, code, confirmation, certificate});
    });
    if (reply)
        present(*reply);
}

void TForm16::present(const Activation::Reply& reply)
{
    activation_.keep(reply);
    messages_.show(reply);
    if (reply.windowText)
        screens_.Form13()->fillAndShow(fromUtf8(*reply.windowText));
    if (!reply.request)
        return;
    screens_.Form11()->appendRequest(fromUtf8(*reply.request));
    // A cancelled dialog writes nothing; the request stays in the window to copy.
    const std::optional<std::string> path = SaveDialog1.chooseFileToSave();
    if (!path)
        return;
    std::vector<std::string> lines;
    for (const QString& line : screens_.Form11()->lines())
        lines.push_back(utf8(line));
    const textfile::WriteResult written = textfile::writeLines(*path, lines);
    if (!written.ok)
        messages_.showMessage(written.error);
}
