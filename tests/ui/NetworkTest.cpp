#include "ScreenChecks.h"
#include "SlowCall.h"
#include "UiTest.h"

#include "Network.h"
#include "Tiles.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {

const char* const accepted = "000345|12000|Rede Configurada com Sucesso||";
const QString acceptedMessage = QString("Rede Configurada com Sucesso") + QString(30, ' ');
const QString untouched = "   .   .   .   ";

} // namespace

class NetworkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    TForm15* form = nullptr;

    // On the indicator: an option reacts only to clicks on its indicator and caption.
    static void choose(QRadioButton* option)
    {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    }

    // Key by key; a character beyond ASCII comes as a key event carrying its text.
    static void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->setCursorPosition(0);
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(field, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }

    void send()
    {
        f->device.script("ConfigurarInterfaceDeRede",
                         {accepted, 0, "Rede Configurada com Sucesso"});
        QTest::mouseClick(form->Image3, Qt::LeftButton);
    }

    std::string sentDocument()
    {
        const auto calls = f->device.calls();
        for (auto call = calls.rbegin(); call != calls.rend(); ++call) {
            if (call->function == "ConfigurarInterfaceDeRede")
                return call->args.at(2).value_or("<null>");
        }
        return "<not sent>";
    }

    void typeProxy(const QString& text)
    {
        form->ComboBox1->lineEdit()->selectAll();
        QTest::keyClicks(form->ComboBox1->lineEdit(), text);
    }

    QList<QWidget*> loginFields()
    {
        return {form->Label2, form->Label3, form->User, form->Password};
    }
    QList<QWidget*> addressFields()
    {
        return {form->Label4, form->Label5, form->Label6,  form->Label7, form->Label8,
                form->IPSat,  form->Mask,   form->Gateway, form->DNS1,   form->DNS2};
    }
    QList<QWidget*> proxyFields()
    {
        return {form->Label9,  form->Label10, form->Label11,   form->Label12,
                form->IPProxy, form->Port,    form->UserProxy, form->PassProxy};
    }
    static bool allEnabled(const QList<QWidget*>& widgets, bool enabled)
    {
        for (QWidget* w : widgets) {
            if (w->isEnabled() != enabled) {
                qWarning("%s is %s", qPrintable(w->objectName()), enabled ? "disabled" : "enabled");
                return false;
            }
        }
        return true;
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        form = f->screens.Form15();
        Screens::openScreen(form);
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup() { f.reset(); }

    void captionsNamesAndBuddies()
    {
        QCOMPARE(form->windowTitle(), QString("Rede"));
        QCOMPARE(form->RadioGroup1->title(), QString("Tipo Rede"));
        const std::tuple<QLabel*, QWidget*, const char*, const char*> fields[] = {
            {form->Label2, form->User, "Usuário", "Usuário"},
            {form->Label3, form->Password, "Senha", "Senha"},
            {form->Label4, form->IPSat, "IP SAT", "IP SAT"},
            {form->Label5, form->Mask, "Máscara", "Máscara"},
            {form->Label6, form->Gateway, "Gateway", "Gateway"},
            {form->Label7, form->DNS1, "DNS1", "DNS1"},
            {form->Label8, form->DNS2, "DNS2", "DNS2"},
            {form->Label9, form->IPProxy, "IP Proxy", "IP Proxy"},
            {form->Label10, form->Port, "Porta", "Porta"},
            {form->Label11, form->UserProxy, "Usuário", "Usuário do proxy"},
            {form->Label12, form->PassProxy, "Senha", "Senha do proxy"},
            {form->Label1, form->Memo1, "XML Configuração", "XML Configuração"}};
        for (const auto& [label, field, caption, name] : fields) {
            QCOMPARE(label->text(), QString(caption));
            QCOMPARE(label->buddy(), field);
            QCOMPARE(accessibleName(field), QString(name));
        }
        QCOMPARE(accessibleName(form->ComboBox1), QString("Proxy"));
        QAccessibleInterface* proxy = QAccessible::queryAccessibleInterface(form->ComboBox1);
        QCOMPARE(proxy->text(QAccessible::Value), QString("Sem Proxy"));
        QCOMPARE(proxy->role(), QAccessible::ComboBox);
        QCOMPARE(accessibleName(form->dhcp), QString("DHCP"));
        QCOMPARE(accessibleName(form->IPFix), QString("IP Fixo"));
        QCOMPARE(accessibleName(form->Image3), QString("Enviar configuração"));
        QCOMPARE(form->Image3->toolTip(), QString("Enviar configuração"));
        QCOMPARE(form->Image3->objectName(), QString("Image3"));
        QVERIFY(form->Memo1->isReadOnly());
        for (QLineEdit* password : {form->Password, form->PassProxy})
            QCOMPARE(password->echoMode(), QLineEdit::Normal);
        const QStringList items = {"Sem Proxy", "Proxy Autenticado", "Proyx Transparente"};
        QCOMPARE(form->ComboBox1->count(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(form->ComboBox1->itemText(i), items[i]);
        QVERIFY(form->ComboBox1->isEditable());
    }

    void firstOpeningHasDhcpNoProxyAndEveryFieldDisabled()
    {
        QVERIFY(form->dhcp->isChecked());
        QCOMPARE(form->ComboBox1->currentIndex(), 0);
        QCOMPARE(form->proxyIndex(), 0);
        QVERIFY(allEnabled(loginFields(), false));
        QVERIFY(allEnabled(addressFields(), false));
        QVERIFY(allEnabled(proxyFields(), false));
        for (QLineEdit* address :
             {form->IPSat, form->Mask, form->Gateway, form->DNS1, form->DNS2, form->IPProxy}) {
            QCOMPARE(address->displayText(), untouched);
            QCOMPARE(address->maxLength(), 15);
        }
        // Choosing the chosen option changes nothing.
        choose(form->dhcp);
        QVERIFY(allEnabled(loginFields(), false));
    }

    void optionsDriveTheLoginAndAddressFields()
    {
        choose(form->IPFix);
        QVERIFY(form->IPFix->isChecked());
        QVERIFY(allEnabled(loginFields(), false));
        QVERIFY(allEnabled(addressFields(), true));
        choose(form->dhcp);
        QVERIFY(allEnabled(loginFields(), true));
        QVERIFY(allEnabled(addressFields(), false));
        // By keyboard as well.
        form->dhcp->setFocus();
        QTest::keyClick(form->dhcp, Qt::Key_Right);
        QVERIFY(form->IPFix->isChecked());
        QVERIFY(allEnabled(addressFields(), true));
    }

    void proxyChoiceDrivesTheProxyFieldsAndATypedTextChangesNothing()
    {
        form->ComboBox1->setFocus();
        QTest::keyClick(form->ComboBox1, Qt::Key_Down);
        QCOMPARE(form->proxyIndex(), 1);
        QVERIFY(allEnabled(proxyFields(), true));
        QTest::keyClick(form->ComboBox1, Qt::Key_Down);
        QCOMPARE(form->proxyIndex(), 2);
        QVERIFY(allEnabled(proxyFields(), true));

        typeProxy("Meu proxy");
        QCOMPARE(form->proxyIndex(), -1);
        QCOMPARE(form->ComboBox1->count(), 3);
        QVERIFY(allEnabled(proxyFields(), true));

        QTest::keyClick(form->ComboBox1, Qt::Key_Up);
        QTest::keyClick(form->ComboBox1, Qt::Key_Up);
        QCOMPARE(form->proxyIndex(), 0);
        QVERIFY(allEnabled(proxyFields(), false));
        typeProxy("Outro");
        QCOMPARE(form->proxyIndex(), -1);
        QVERIFY(allEnabled(proxyFields(), false));
    }

    void typedFixedAddressesReachTheDeviceByteForByte()
    {
        choose(form->IPFix);
        type(form->IPSat, "192.168.1.10");
        type(form->Mask, "255.255.255.0");
        type(form->Gateway, "192.168.1.1");
        type(form->DNS1, "192.168.1.1");
        QCOMPARE(form->IPSat->displayText(), QString("192.168.1  .10 "));
        QCOMPARE(form->DNS2->displayText(), untouched);
        send();

        const std::string expected =
            "<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter><tipoLan>IPFIX</tipoLan>"
            "<lanIP>192.168.001.010</lanIP><lanMask>255.255.255.000</lanMask>"
            "<lanGW>192.168.001.001</lanGW><lanDNS1>192.168.001.001</lanDNS1>"
            "<lanDNS2>000.000.000.000</lanDNS2><proxy>0</proxy><proxy_ip/><proxy_porta/>"
            "<proxy_user/><proxy_senha/></config>\n";
        QCOMPARE(sentDocument(), expected);
        QCOMPARE(f->device.calls().at(0).args.at(1), std::optional<std::string>("24681357"));
        QCOMPARE(form->Memo1->toPlainText(),
                 QString::fromStdString(expected.substr(0, expected.size() - 1)));
        QCOMPARE(f->messages, QStringList{acceptedMessage});
    }

    // A group may be one digit: the address is complete as typed, and goes out in full.
    void oneDigitGroupsMakeACompleteAddress()
    {
        choose(form->IPFix);
        type(form->IPSat, "1.2.3.4");
        QCOMPARE(form->IPSat->displayText(), QString("1  .2  .3  .4  "));
        QVERIFY(form->IPSat->hasAcceptableInput());
        type(form->Mask, "255.0.0.0");
        QVERIFY(form->Mask->hasAcceptableInput());
        // A group left empty is not a complete address.
        QVERIFY(!form->Gateway->hasAcceptableInput());
        send();
        QVERIFY(sentDocument().find("<lanIP>001.002.003.004</lanIP><lanMask>255.000.000.000<") !=
                std::string::npos);
    }

    // Picked from the list straight from "Sem Proxy", not through "Proxy Autenticado".
    void transparentProxyPickedFromNoProxyEnablesTheProxyFields()
    {
        QCOMPARE(form->proxyIndex(), 0);
        form->ComboBox1->showPopup();
        QAbstractItemView* list = form->ComboBox1->view();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(2, 0)).center());
        QCOMPARE(form->ComboBox1->currentText(), QString("Proyx Transparente"));
        QCOMPARE(form->proxyIndex(), 2);
        QVERIFY(allEnabled(proxyFields(), true));
    }

    void proxyTextsAndLoginAsTypedWithEscapesAndAccents()
    {
        choose(form->IPFix);
        choose(form->dhcp);
        type(form->User, "José");
        type(form->Password, "a&b<c");
        form->ComboBox1->setFocus();
        QTest::keyClick(form->ComboBox1, Qt::Key_Down);
        type(form->Port, "8080");
        type(form->UserProxy, "ana");
        type(form->PassProxy, "s&nha");
        send();

        QCOMPARE(sentDocument(),
                 std::string("<?xml version=\"1.0\"?>\n<config><tipoInter>ETHE</tipoInter>"
                             "<tipoLan>DHCP</tipoLan><usuario>Jos&#xE9;</usuario>"
                             "<senha>a&amp;b&lt;c</senha><proxy>1</proxy><proxy_ip></proxy_ip>"
                             "<proxy_porta>8080</proxy_porta><proxy_user>ana</proxy_user>"
                             "<proxy_senha>s&amp;nha</proxy_senha></config>\n"));
        QVERIFY(form->Memo1->toPlainText().contains("<usuario>José</usuario>"));
    }

    void typedProxyTextSendsMode2AndFieldsKeepTheirTextWhenDisabled()
    {
        form->ComboBox1->setFocus();
        QTest::keyClick(form->ComboBox1, Qt::Key_Down);
        type(form->IPProxy, "10.0.0.9");
        typeProxy("Qualquer");
        send();
        QVERIFY(sentDocument().find("<proxy>2</proxy><proxy_ip>010.000.000.009</proxy_ip>") !=
                std::string::npos);

        QTest::keyClick(form->ComboBox1, Qt::Key_Up); // back to an item: "Proxy Autenticado"
        QTest::keyClick(form->ComboBox1, Qt::Key_Up);
        QCOMPARE(form->proxyIndex(), 0);
        QVERIFY(!form->IPProxy->isEnabled());
        QCOMPARE(form->IPProxy->displayText(), QString("10 .0  .0  .9  "));
        send();
        QVERIFY(sentDocument().find("<proxy>0</proxy><proxy_ip/>") != std::string::npos);
    }

    void twoAcceptedPressesLeaveTwoDocumentsAndARefusalNone()
    {
        send();
        send();
        f->device.script("ConfigurarInterfaceDeRede", {"000345|12099|Erro||", 12099, "Recusado"});
        QTest::mouseClick(form->Image3, Qt::LeftButton);
        const QStringList lines = form->Memo1->toPlainText().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString("<?xml version=\"1.0\"?>"));
        QCOMPARE(lines[2], QString("<?xml version=\"1.0\"?>"));
        QCOMPARE(f->messages,
                 (QStringList{acceptedMessage, acceptedMessage, "Recusado" + QString(30, ' ')}));
    }

    void aSlowConfigurationKeepsTheWindowAliveAndTakesNoInput()
    {
        f->device.script("ConfigurarInterfaceDeRede",
                         {accepted, 0, "Rede Configurada com Sucesso"});
        f->device.delayNext("ConfigurarInterfaceDeRede", 1500);
        const SlowCallSeen seen =
            duringSlowCall(f->device, form, form->Memo1, form->IPFix, form->Image3);
        QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
        QVERIFY(!form->IPFix->isChecked());
        QCOMPARE(f->device.functions(),
                 (std::vector<std::string>{"ConfigurarInterfaceDeRede", "CodigoErro"}));
        QCOMPARE(f->messages, QStringList{acceptedMessage});
        QCOMPARE(form->Memo1->toPlainText().split('\n').size(), 2);
    }

    void sendButtonHasAKeyboardPath()
    {
        form->Image3->setFocus();
        QVERIFY(form->Image3->hasFocus());
        f->device.script("ConfigurarInterfaceDeRede", {accepted, 0, "ok"});
        QTest::keyClick(form->Image3, Qt::Key_Space);
        QCOMPARE(f->device.functions(),
                 (std::vector<std::string>{"ConfigurarInterfaceDeRede", "CodigoErro"}));
    }

    void fieldsAndDocumentsSurviveClosing()
    {
        choose(form->IPFix);
        type(form->IPSat, "10.1.2.3");
        send();
        form->close();
        Screens::openScreen(form);
        QVERIFY(form->IPFix->isChecked());
        QCOMPARE(form->IPSat->displayText(), QString("10 .1  .2  .3  "));
        QVERIFY(form->Memo1->toPlainText().contains("<lanIP>010.001.002.003</lanIP>"));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<NetworkTest>(argc, argv);
}

#include "NetworkTest.moc"
