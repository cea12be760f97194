#include "UiTest.h"

#include "Ativasat.h"
#include "Csr.h"
#include "Fields.h"
#include "Msg.h"
#include "ScreenChecks.h"
#include "Sign.h"
#include "SlowCall.h"
#include "Tiles.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <functional>

namespace {

using Arg = std::optional<std::string>;

const QString untouched = "  .   .   /    -  ";
const QString blanks30(30, ' ');
const QString activated = "SAT Ativado com sucesso!\n"
                          "Prossiga para etapa de vinculação do AC ao contribuinte\n"
                          "através do menu \"Associar Assinatura\"";

} // namespace

class ActivationFormsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    TForm16* form16 = nullptr;
    TForm17* form17 = nullptr;

    void typeActivation(const QString& cnpjDigits, const QString& code, const QString& confirmation)
    {
        typeText(form16->CNPJContribuinte, cnpjDigits);
        typeText(form16->CodAtv, code);
        typeText(form16->CodAtv2, confirmation);
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        QVERIFY(f->context.setActivationCode("old code"));
        form16 = f->screens.Form16();
        form17 = f->screens.Form17();
        Screens::openScreen(form16);
        Screens::openScreen(form17);
    }
    void cleanup() { f.reset(); }

    void activationDialogControls()
    {
        QCOMPARE(form16->windowTitle(), QString("Ativar SAT"));
        QCOMPARE(form16->CNPJContribuinte->maskedText(), untouched);
        QCOMPARE(form16->CNPJContribuinte->maxLength(), 18);
        const std::pair<QWidget*, const char*> fields[] = {
            {form16->CNPJContribuinte, "CNPJ Contribuinte"},
            {form16->CodAtv, "Código de Ativação"},
            {form16->CodAtv2, "Confirma Código de Ativação"}};
        for (const auto& [field, caption] : fields) {
            QCOMPARE(accessibleName(field), QString(caption));
            QVERIFY(reachableByTab(form16, field));
        }
        QCOMPARE(form16->Label1->buddy(), form16->CNPJContribuinte);
        QCOMPARE(form16->Label4->text(), QString("Unidade da Federação"));
        QVERIFY(labelledBy(form16->ComboBox1, form16->Label4));
        QVERIFY(reachableByTab(form16, form16->ComboBox1));
        // The list's value is the unit shown.
        QCOMPARE(QAccessible::queryAccessibleInterface(form16->ComboBox1)->text(QAccessible::Value),
                 QString("SP"));

        QCOMPARE(form16->GroupBox1->title(), QString("Certificado SAT"));
        QCOMPARE(accessibleName(form16->RadioButton3), QString("Renovação Certificado ICP-Brasil"));
        QVERIFY(form16->RadioButton1->isChecked());
        QVERIFY(form16->RadioButton1->isEnabled());
        QVERIFY(!form16->RadioButton2->isEnabled());
        QVERIFY(!form16->RadioButton3->isEnabled());

        QStringList units;
        for (int i = 0; i < form16->ComboBox1->count(); ++i)
            units << form16->ComboBox1->itemText(i);
        QCOMPARE(units, QString("AC AL AP AM BA CE DF ES GO MA MT MS MG PA PB PR PE PI RJ RN RS RO "
                                "RR SC SP SE TO")
                            .split(' '));
        QCOMPARE(form16->ComboBox1->currentIndex(), 24);
        QCOMPARE(form16->ComboBox1->currentText(), QString("SP"));

        QCOMPARE(accessibleName(form16->Image2), QString("Ativar"));
        QCOMPARE(form16->Image2->toolTip(), QString("Ativar"));
        QVERIFY(reachableByTab(form16, form16->Image2));
    }

    void codesShowAsterisks()
    {
        typeText(form16->CodAtv, "abç1");
        QCOMPARE(form16->CodAtv->text(), QString("abç1"));
        QCOMPARE(form16->CodAtv->echoMode(), QLineEdit::Password);
        QCOMPARE(form16->CodAtv->displayText(), QString("****"));
        QTest::keyClicks(form16->CodAtv2, "xy");
        QCOMPARE(form16->CodAtv2->displayText(), QString("**"));
    }

    void typedCnpjKeepsItsPunctuation()
    {
        QTest::keyClicks(form16->CNPJContribuinte, "48213907000165");
        QCOMPARE(form16->CNPJContribuinte->maskedText(), QString("48.213.907/0001-65"));
        QTest::keyClicks(form16->CNPJContribuinte, "9");
        QCOMPARE(form16->CNPJContribuinte->maskedText(), QString("48.213.907/0001-65"));

        // A click in the middle of an empty field starts the typing at its first position.
        CnpjField* sw = form17->CNPJSW;
        QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(sw->width() - 10, sw->height() / 2));
        QTest::keyClicks(sw, "11222333000181");
        QCOMPARE(sw->maskedText(), QString("11.222.333/0001-81"));
        // Once something is typed, a click places the cursor where it falls.
        sw->setCursorPosition(0);
        QTest::mouseClick(sw, Qt::LeftButton, {}, QPoint(sw->width() - 4, sw->height() / 2));
        QCOMPARE(sw->cursorPosition(), 18);
    }

    void activationSendsStateCode35WhateverUnitIsShown()
    {
        f->device.setFallback({"000012|04000|Ativado com Sucesso", 4000, "ok"});
        typeActivation("48213907000165", "çodigo12", "çodigo12");
        QTest::keyClicks(form16->ComboBox1, "RJ");
        QCOMPARE(form16->ComboBox1->currentText(), QString("RJ"));
        QTest::mouseClick(form16->Image2, Qt::LeftButton);

        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[0].function, std::string("AtivarSAT"));
        QVERIFY(calls[0].args ==
                (std::vector<Arg>{"12", "1", "\xE7odigo12", "48213907000165", "35"}));
        QCOMPARE(f->messages, QStringList{activated});
        QCOMPARE(f->context.activationCode(), std::string("\xE7odigo12"));
        QVERIFY(!f->screens.Form13()->isVisible());
        QVERIFY(!f->screens.Form11()->isVisible());
    }

    void refusalsComeBeforeAnyCallAndTheFieldsStay()
    {
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        typeActivation("48213907000165", QString(100, 'a'), QString(100, 'a'));
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        form16->CodAtv->clear();
        form16->CodAtv2->clear();
        typeActivation("", "1234567", "1234567");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QTest::keyClicks(form16->CodAtv, "8");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(f->messages,
                 (QStringList{"          CNPJ Inválido.         ",
                              "O código de ativação deve ter no máximo 99 caracteres.",
                              "Código de ativação deve conter no mínimo 8 caracteres",
                              "Código de ativação e de confirmação não são identicos"}));
        QVERIFY(f->device.calls().empty());

        form16->close();
        QCOMPARE(static_cast<QWidget*>(f->screens.Form16()), static_cast<QWidget*>(form16));
        Screens::openScreen(f->screens.Form16());
        QCOMPARE(form16->CodAtv->text(), QString("12345678"));
        QCOMPARE(form16->CNPJContribuinte->maskedText(), QString("48.213.907/0001-65"));
    }

    void deviceMessageAndRequestsGoToTheirWindowsAndBothAreSaved()
    {
        QTemporaryDir folder;
        const QString first = folder.filePath("csr um.txt");
        const QString second = folder.filePath("csr-dois");
        f->fileAnswers = {first, second};

        f->device.script("AtivarSAT", {"000012|04003|x|BEGIN R\xC9Q1\r\nLINHA", 4003,
                                       "Ativa\xE7\xE3o recusada"});
        typeActivation("48213907000165", "12345678", "12345678");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        TForm13* msg = f->screens.Form13();
        QVERIFY(msg->isVisible());
        QCOMPARE(msg->Memo1->toPlainText(), "Ativação recusada" + blanks30);
        TForm11* csr = f->screens.Form11();
        QVERIFY(csr->isVisible());
        QCOMPARE(csr->Memo1->toPlainText(), QString("BEGIN RÉQ1\nLINHA"));
        QCOMPARE(readAll(first), QByteArray("BEGIN R\xC9Q1\r\nLINHA\r\n"));
        QCOMPARE(f->context.activationCode(), std::string("old code"));
        QVERIFY(f->messages.isEmpty());

        f->device.script("AtivarSAT", {"Sucesso|BEGIN Q2", 4000});
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(f->messages, QStringList{activated});
        QCOMPARE(readAll(second), QByteArray("BEGIN R\xC9Q1\r\nLINHA\r\nBEGIN Q2\r\n"));
        QCOMPARE(msg->Memo1->toPlainText(), "Ativação recusada" + blanks30);
        QCOMPARE(f->context.activationCode(), std::string("12345678"));
    }

    // A no-break space in the request (A0 in Windows-1252) is saved as it came.
    void requestIsSavedAsShown()
    {
        QTemporaryDir folder;
        const QString saved = folder.filePath("csr");
        f->fileAnswers = {saved};
        f->device.setFallback({"Sucesso BEGIN A\xA0"
                               "B",
                               4000});
        typeActivation("00000000000000", "12345678", "12345678");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(readAll(saved), QByteArray("BEGIN A\xA0"
                                            "B\r\n"));
    }

    void cancelledSaveWritesNothingAndTheRequestStays()
    {
        QTemporaryDir folder;
        const QString later = folder.filePath("depois.csr");
        f->fileAnswers = {QString(), later};
        f->device.setFallback({"Sucesso BEGIN X", 4000});
        typeActivation("00000000000000", "12345678", "12345678");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(f->fileAnswers, QStringList{later});
        QCOMPARE(f->screens.Form11()->Memo1->toPlainText(), QString("BEGIN X"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), qsizetype(0));
        QCOMPARE(f->messages, QStringList{activated});

        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(readAll(later), QByteArray("BEGIN X\r\nBEGIN X\r\n"));
    }

    void requestAfterATransportFailureLeavesTheRequestWindowAlone()
    {
        f->device.setFallback({"Sucesso BEGIN X", 0x8001, "x"});
        typeActivation("48213907000165", "12345678", "12345678");
        QTest::mouseClick(form16->Image2, Qt::LeftButton);
        QCOMPARE(f->messages, QStringList{"   Sem Sinal CTS.   "});
        QVERIFY(f->screens.Form11()->Memo1->toPlainText().isEmpty());
        QVERIFY(!f->screens.Form11()->isVisible());
        QCOMPARE(f->context.activationCode(), std::string("12345678"));
    }

    void associationDialogControls()
    {
        QCOMPARE(form17->windowTitle(), QString("Associar Assinatura"));
        QCOMPARE(form17->CNPJContribuinte->maskedText(), untouched);
        QCOMPARE(form17->CNPJSW->maskedText(), untouched);
        const std::pair<QWidget*, const char*> fields[] = {
            {form17->CNPJContribuinte, "CNPJ Contribuinte"},
            {form17->CNPJSW, "CNPJ Software House"},
            {form17->assinatura, "Assinatura AC"}};
        for (const auto& [field, caption] : fields)
            QCOMPARE(accessibleName(field), QString(caption));
        QCOMPARE(form17->Label1->buddy(), form17->CNPJContribuinte);
        QCOMPARE(form17->Label2->buddy(), form17->CNPJSW);
        QCOMPARE(form17->Label3->buddy(), form17->assinatura);
        QCOMPARE(accessibleName(form17->Image2), QString("Associar"));
        QCOMPARE(form17->Image2->toolTip(), QString("Associar"));

        QList<QWidget*> order;
        for (QWidget* w = form17->CNPJContribuinte; order.size() < 4; w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus)
                order << w;
        QCOMPARE(order, (QList<QWidget*>{form17->CNPJContribuinte, form17->CNPJSW,
                                         form17->assinatura, form17->Image2}));
    }

    void associationSends28DigitsAndOneLineSignature()
    {
        f->device.setFallback({"000012|13000|ignored", 0, "Assinatura vinculada"});
        QTest::keyClicks(form17->CNPJContribuinte, "48213907000165");
        QTest::keyClicks(form17->CNPJSW, "11222333000181");
        typeText(form17->assinatura, "abc ç");
        form17->assinatura->insert("\r\nSEGUNDA\r\n");
        QTest::mouseClick(form17->Image2, Qt::LeftButton);

        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(2));
        QCOMPARE(calls[0].function, std::string("AssociarAssinatura"));
        QVERIFY(calls[0].args == (std::vector<Arg>{"12", "old code", "1122233300018148213907000165",
                                                   "abc \xE7SEGUNDA"}));
        QCOMPARE(f->messages, QStringList{"Assinatura vinculada" + blanks30});
        QCOMPARE(form17->CNPJContribuinte->maskedText(), QString("48.213.907/0001-65"));
    }

    void slowCallsKeepTheWindowAliveAndTakeNoInput()
    {
        struct SlowCase {
            QWidget* window;
            ImageButton* run;
            QLineEdit* typedInto; // what the operator tries to type meanwhile
            const char* function;
            std::function<void()> fill;
            QString message;
        };
        const SlowCase cases[] = {
            {form16, form16->Image2, form16->CodAtv2, "AtivarSAT",
             [&] { typeActivation("48213907000165", "novo1234", "novo1234"); }, activated},
            {form17, form17->Image2, form17->assinatura, "AssociarAssinatura",
             [&] {
                 QTest::keyClicks(form17->CNPJContribuinte, "48213907000165");
                 QTest::keyClicks(form17->CNPJSW, "11222333000181");
             },
             "Assinatura vinculada" + blanks30},
        };
        for (const SlowCase& c : cases) {
            f->device.reset();
            f->device.setFallback(
                {"000012|04000|Ativado com Sucesso", 4000, "Assinatura vinculada"});
            f->messages.clear();
            c.fill();
            const QString typedBefore = c.typedInto->text();
            f->device.delayNext(c.function, 1500);
            const SlowCallSeen seen = duringSlowCall(
                f->device, c.window, c.run, 700,
                [&] {
                    QTest::keyClicks(c.typedInto, "x");
                    QTest::keyClick(c.run, Qt::Key_Space);
                },
                [&] { QTest::mouseClick(c.run, Qt::LeftButton); });
            QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
            QCOMPARE(c.typedInto->text(), typedBefore);
            QVERIFY(f->device.functions() == (std::vector<std::string>{c.function, "CodigoErro"}));
            QCOMPARE(f->messages, QStringList{c.message});
        }
        QCOMPARE(f->context.activationCode(), std::string("novo1234"));
    }

    void associationChecksTheTaxpayerFirst()
    {
        QTest::mouseClick(form17->Image2, Qt::LeftButton);
        QTest::keyClicks(form17->CNPJContribuinte, "48213907000165");
        QTest::mouseClick(form17->Image2, Qt::LeftButton);
        QCOMPARE(f->messages, (QStringList{"          CNPJ Contribuinte Inválido.         ",
                                           "          CNPJ Software House Inválido.         "}));
        QVERIFY(f->device.calls().empty());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<ActivationFormsTest>(argc, argv);
}

#include "ActivationFormsTest.moc"
