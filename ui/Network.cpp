#include "Network.h"

#include "AccessibleNames.h"
#include "DeviceCall.h"
#include "Fields.h"
#include "Screens.h"
#include "Tiles.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TForm15::TForm15(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Rede", QSize(474, 479)), messages_(this)
{
    setObjectName("Form15");
    setFont(tahoma());

    RadioGroup1 = new QGroupBox("Tipo Rede", this);
    RadioGroup1->setObjectName("RadioGroup1");
    dhcp = new QRadioButton("DHCP", RadioGroup1);
    dhcp->setObjectName("dhcp");
    dhcp->setChecked(true);
    IPFix = new QRadioButton("IP Fixo", RadioGroup1);
    IPFix->setObjectName("IPFix");
    auto* options = new QHBoxLayout(RadioGroup1);
    options->addWidget(dhcp);
    options->addWidget(IPFix);
    options->addStretch(1);

    auto field = [this](QLabel*& label, const char* labelName, const char* caption,
                        QLineEdit*& edit, const char* name, const QString& accessibleName) {
        label = new QLabel(caption, this);
        label->setObjectName(labelName);
        edit = new QLineEdit(this);
        edit->setObjectName(name);
        label->setBuddy(edit);
        edit->setAccessibleName(accessibleName);
    };
    auto address = [&](QLabel*& label, const char* labelName, const char* caption, QLineEdit*& edit,
                       const char* name) {
        field(label, labelName, caption, edit, name, caption);
        // Four groups of one required and two optional digits (Qt's 9 and 0), blanks where
        // none is typed.
        edit->setInputMask("900.900.900.900; ");
    };
    // The passwords are shown as typed (no echo mode other than Normal).
    field(Label2, "Label2", "Usuário", User, "User", "Usuário");
    field(Label3, "Label3", "Senha", Password, "Password", "Senha");
    address(Label4, "Label4", "IP SAT", IPSat, "IPSat");
    address(Label5, "Label5", "Máscara", Mask, "Mask");
    address(Label6, "Label6", "Gateway", Gateway, "Gateway");
    address(Label7, "Label7", "DNS1", DNS1, "DNS1");
    address(Label8, "Label8", "DNS2", DNS2, "DNS2");

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    // A typed text stays a text: it is neither completed to an item nor added as one.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setCompleter(nullptr);
    ComboBox1->addItems({"Sem Proxy", "Proxy Autenticado", "Proyx Transparente"});
    ComboBox1->setCurrentIndex(0);
    ComboBox1->setAccessibleName("Proxy");
    keepAccessibleName(ComboBox1);

    address(Label9, "Label9", "IP Proxy", IPProxy, "IPProxy");
    field(Label10, "Label10", "Porta", Port, "Port", "Porta");
    // Both screens' user and password captions repeat; the names tell them apart.
    field(Label11, "Label11", "Usuário", UserProxy, "UserProxy", "Usuário do proxy");
    field(Label12, "Label12", "Senha", PassProxy, "PassProxy", "Senha do proxy");

    Image3 = new ImageButton("Image3", ":/icons/network.svg", "Enviar configuração", 48, this);
    Image3->setFocusPolicy(Qt::StrongFocus);

    Label1 = new QLabel("XML Configuração", this);
    Label1->setObjectName("Label1");
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName("XML Configuração");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setStyleSheet("QPlainTextEdit { background: #d4d4d4; color: #000000; }");
    Label1->setBuddy(Memo1);
    memo_ = std::make_unique<TextAreaSink>(Memo1);
    configurator_ = std::make_unique<NetworkConfigurator>(screens.client);

    auto* grid = new QGridLayout;
    const std::pair<QLabel*, QWidget*> left[] = {
        {Label2, User},    {Label3, Password}, {Label4, IPSat}, {Label5, Mask},
        {Label6, Gateway}, {Label7, DNS1},     {Label8, DNS2}};
    int row = 0;
    for (const auto& [label, edit] : left) {
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    grid->addWidget(ComboBox1, 0, 2, 1, 2);
    const std::pair<QLabel*, QWidget*> right[] = {
        {Label9, IPProxy}, {Label10, Port}, {Label11, UserProxy}, {Label12, PassProxy}};
    row = 1;
    for (const auto& [label, edit] : right) {
        grid->addWidget(label, row, 2);
        grid->addWidget(edit, row, 3);
        ++row;
    }
    grid->addWidget(Image3, row, 2, 2, 2, Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addLayout(grid);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);

    // Tab order follows the screen: options, the left column, the proxy column, send, text.
    QWidget* order[] = {dhcp, IPFix,     User,    Password, IPSat,     Mask,      Gateway, DNS1,
                        DNS2, ComboBox1, IPProxy, Port,     UserProxy, PassProxy, Image3,  Memo1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The enabling rules run only when the operator changes a choice.
    setLoginFieldsEnabled(false);
    setAddressFieldsEnabled(false);
    setProxyFieldsEnabled(false);

    connect(dhcp, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            dhcpClick();
    });
    connect(IPFix, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            IPFixClick();
    });
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TForm15::ComboBox1Change);
    connect(Image3, &QToolButton::clicked, this, &TForm15::Image3Click);
}

TForm15::~TForm15() = default;

void TForm15::setLoginFieldsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, Label3, User, Password})
        w->setEnabled(enabled);
}

void TForm15::setAddressFieldsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label4, Label5, Label6, Label7, Label8, IPSat,
                                                      Mask, Gateway, DNS1, DNS2})
        w->setEnabled(enabled);
}

void TForm15::setProxyFieldsEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{Label9, Label10, Label11, Label12, IPProxy,
                                                      Port, UserProxy, PassProxy})
        w->setEnabled(enabled);
}

void TForm15::dhcpClick()
{
    setLoginFieldsEnabled(true);
    setAddressFieldsEnabled(false);
}

void TForm15::IPFixClick()
{
    setLoginFieldsEnabled(false);
    setAddressFieldsEnabled(true);
}

void TForm15::ComboBox1Change()
{
    const int index = proxyIndex();
    if (index == 0)
        setProxyFieldsEnabled(false);
    else if (index == 1 || index == 2)
        setProxyFieldsEnabled(true);
}

int TForm15::proxyIndex() const
{
    // The text decides: a typed text that is no item leaves no item selected.
    return ComboBox1->findText(ComboBox1->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

NetworkSettings TForm15::settings() const
{
    NetworkSettings s;
    s.addressMode = dhcp->isChecked() ? NetworkSettings::AddressMode::DHCP
                                      : NetworkSettings::AddressMode::IPFIX;
    s.user = utf8(User->text());
    s.password = utf8(Password->text());
    // The shown text keeps the mask's blanks; text() would drop them.
    s.ipSat = utf8(IPSat->displayText());
    s.mask = utf8(Mask->displayText());
    s.gateway = utf8(Gateway->displayText());
    s.dns1 = utf8(DNS1->displayText());
    s.dns2 = utf8(DNS2->displayText());
    s.proxyIndex = proxyIndex();
    s.ipProxy = utf8(IPProxy->displayText());
    s.port = utf8(Port->text());
    s.userProxy = utf8(UserProxy->text());
    s.passProxy = utf8(PassProxy->text());
    return s;
}

void TForm15::Image3Click()
{
    const NetworkSettings typed = settings();
    const auto sent = devicecall::run([&] { return configurator_->apply(typed); });
    if (!sent)
        return;
    if (sent->entry)
        memo_->appendLine(*sent->entry);
    messages_.show(*sent);
}
