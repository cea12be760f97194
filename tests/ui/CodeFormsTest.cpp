#include "UiTest.h"

#include "Acesso.h"
#include "Bloqueio.h"
#include "Changecod.h"
#include "CodeChangeFields.h"
#include "Groupeditems.h"
#include "ScreenChecks.h"
#include "SlowCall.h"
#include "Tiles.h"
#include "Trocarcodatv.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

using Arg = std::optional<std::string>;

const QString blanks30(30, ' ');
const QString portFailure =
    "Erro ao Abrir Porta de Comunicação\n Verifique se: driver instalado, SAT conectado";

void type(CodeChangeFields* fields, const QString& code, const QString& newCode,
          const QString& confirmation)
{
    typeText(fields->Codigo, code);
    typeText(fields->ncod, newCode);
    typeText(fields->ncodconf, confirmation);
}

} // namespace

class CodeFormsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    TForm18* form18 = nullptr;
    TForm8* form8 = nullptr;
    TForm12* form12 = nullptr;

    void checkFields(QWidget* form, CodeChangeFields* fields, ImageButton* run)
    {
        QCOMPARE(fields->RadioGroup1->title(), QString(" Usar  "));
        QCOMPARE(accessibleName(fields->RadioButton1), QString("Código de ativação"));
        QCOMPARE(accessibleName(fields->RadioButton2), QString("Código de emergência"));
        QVERIFY(fields->RadioButton1->isChecked());
        QVERIFY(!fields->RadioButton2->isChecked());
        const std::pair<QLineEdit*, const char*> edits[] = {
            {fields->Codigo, "Código"},
            {fields->ncod, "Novo código"},
            {fields->ncodconf, "Confirma novo código"}};
        for (const auto& [edit, caption] : edits) {
            QCOMPARE(accessibleName(edit), QString(caption));
            QVERIFY(reachableByTab(form, edit));
            QTest::keyClicks(edit, "abc");
            QCOMPARE(edit->displayText(), QString("***"));
            edit->clear();
        }
        QCOMPARE(fields->CodigoLabel->buddy(), fields->Codigo);
        QCOMPARE(fields->ncodconfLabel->text(), QString("Confirma novo código"));
        QCOMPARE(accessibleName(run), QString("Trocar código"));
        QCOMPARE(run->toolTip(), QString("Trocar código"));
        QVERIFY(reachableByTab(form, run));
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        QVERIFY(f->context.setActivationCode("stored01"));
        f->device.setFallback({"000012|18000|ignored", 0, "Código trocado"});
        form18 = f->screens.Form18();
        form8 = f->screens.Form8();
        form12 = f->screens.Form12();
        Screens::openScreen(form18);
        Screens::openScreen(form12);
    }
    void cleanup() { f.reset(); }

    void dialogControls()
    {
        QCOMPARE(form18->windowTitle(), QString("Trocar Código Ativação"));
        checkFields(form18, form18->fields, form18->Image2);
    }

    void dialogChecksTheNewCodeOnly()
    {
        type(form18->fields, "ab", "1234567", "1234567");
        QTest::mouseClick(form18->Image2, Qt::LeftButton);
        QTest::keyClicks(form18->fields->ncod, "8");
        QTest::mouseClick(form18->Image2, Qt::LeftButton);
        QCOMPARE(
            f->messages,
            (QStringList{"Código de ativação deve ter no minimo 8 caracteres",
                         "Código de ativação não é igual ao confirmação do código de ativação"}));
        QVERIFY(f->device.calls().empty());

        QTest::keyClicks(form18->fields->ncodconf, "8");
        QTest::mouseClick(form18->Image2, Qt::LeftButton);
        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(2));
        QVERIFY(calls[0].args == (std::vector<Arg>{"12", "ab", "1", "12345678", "12345678"}));
        QCOMPARE(f->messages.last(), "Código trocado" + blanks30);
    }

    void emergencyCodeGoesAsOption2AndTheStoredCodeStays()
    {
        choose(form18->fields->RadioButton2);
        QVERIFY(form18->fields->RadioButton2->isChecked());
        type(form18->fields, "EMERGÊNCIA", "novocódigo", "novocódigo");
        f->device.script("TrocarCodigoDeAtivacao", {"Código alterado com Sucesso", 0, "ok"});
        QTest::mouseClick(form18->Image2, Qt::LeftButton);
        QTest::mouseClick(form12->Image2, Qt::LeftButton);

        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(4));
        QVERIFY(calls[0].args == (std::vector<Arg>{"12", "EMERG\xCANCIA", "2",
                                                   "novoc\xF3"
                                                   "digo",
                                                   "novoc\xF3"
                                                   "digo"}));
        QCOMPARE(calls[2].function, std::string("BloquearSAT"));
        QVERIFY(calls[2].args == (std::vector<Arg>{"12", "stored01"}));
        QCOMPARE(f->context.activationCode(), std::string("stored01"));
    }

    void portFailureIsFollowedByTheReport()
    {
        f->device.setFallback({"Erro ao tentar abrir a porta de comunicacao", 1, "x"});
        type(form18->fields, "stored01", "12345678", "12345678");
        QTest::mouseClick(form18->Image2, Qt::LeftButton);
        QCOMPARE(f->messages,
                 (QStringList{portFailure, "   Porta de comunicação não conectada.   "}));
    }

    void fullScreenSendsWhatWasTyped()
    {
        QTest::mouseClick(f->screens.OKRightDlg2()->SpeedButton1, Qt::LeftButton);
        QVERIFY(form8->isVisible());
        QVERIFY(form8->windowState() & Qt::WindowFullScreen);
        checkFields(form8, form8->fields, form8->Image2);

        type(form8->fields, "atual", "abc", "xyz");
        QTest::mouseClick(form8->Image2, Qt::LeftButton);
        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(2));
        QVERIFY(calls[0].args == (std::vector<Arg>{"12", "atual", "1", "abc", "xyz"}));
        QCOMPARE(f->messages, QStringList{"Código trocado" + blanks30});
    }

    void fullScreenRefusesANewCodeTheAccessDialogCouldNotTake()
    {
        type(form8->fields, "atual", QString(100, 'n'), QString(100, 'n'));
        QTest::mouseClick(form8->Image2, Qt::LeftButton);
        QCOMPARE(f->messages,
                 QStringList{"O código de ativação deve ter no máximo 99 caracteres."});
        QVERIFY(f->device.calls().empty());
    }

    void fullScreenAppBar()
    {
        Screens::openScreen(form8);
        form8->resize(1200, 700);
        AppBar* bar = form8->appBar;
        QVERIFY(!bar->isVisible());
        QCOMPARE(bar->geometry(), QRect(0, 700 - 75, 1200, 75));

        QTest::keyClick(form8, Qt::Key_Escape);
        QVERIFY(bar->isVisible());
        QTest::keyClick(form8, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QTest::keyClick(form8, Qt::Key_Escape);
        // A key typed into a field reaches the window first.
        QTest::keyClick(form8->fields->Codigo, Qt::Key_A);
        QVERIFY(!bar->isVisible());
        QCOMPARE(form8->fields->Codigo->text(), QString("a"));

        form8->FormGesture(AppBar::Gesture::Up);
        QVERIFY(bar->isVisible());
        form8->FormGesture(AppBar::Gesture::Up);
        QVERIFY(!bar->isVisible());
        form8->FormGesture(AppBar::Gesture::Up);
        form8->FormGesture(AppBar::Gesture::Left);
        QVERIFY(!bar->isVisible());

        QCOMPARE(accessibleName(form8->Image1), QString("Voltar"));
        QCOMPARE(form8->Image1->toolTip(), QString("Voltar"));
        QCOMPARE(accessibleName(form8->CloseButton), QString("Sair"));
        QCOMPARE(form8->CloseButton->toolTip(), QString("Sair"));
        // Once Esc has shown the bar, Tab reaches its images.
        QTest::keyClick(form8, Qt::Key_Escape);
        QVERIFY(form8->Image1->isVisible() && reachableByTab(form8, form8->Image1));
        QVERIFY(form8->CloseButton->isVisible() && reachableByTab(form8, form8->CloseButton));

        form8->hide();
        QTest::keyClick(form8, Qt::Key_Escape);
        Screens::openScreen(form8);
        QVERIFY(!bar->isVisible());
    }

    // Its close image ends the program: tested on a process of its own (WindowsTest).
    void backHidesTheScreen()
    {
        Screens::openScreen(form8);
        QTest::keyClick(form8, Qt::Key_Escape);
        QTest::mouseClick(form8->Image1, Qt::LeftButton);
        QVERIFY(!form8->isVisible());
        QVERIFY(f->screens.GridForm()->isVisible());
        QVERIFY(!VexorApplication::isEnding());
        QVERIFY(f->device.calls().empty());
    }

    void blockDialogControls()
    {
        QCOMPARE(form12->windowTitle(), QString("Bloqueio/Desbloqueio VEXOR"));
        QCOMPARE(form12->Label1->text(), QString("Obs: Está função não deve ser enviada para "
                                                 "tentatitva de desbloqueio autônomo do "));
        QCOMPARE(form12->Label2->text(), QString("SAT. O bloqueio autônomo só é recuperado "
                                                 "quando a causa raiz do problema é"));
        QCOMPARE(form12->Label3->text(),
                 QString("solucionada, por exemplo, comunicação com a SEFAZ OK."));
        QCOMPARE(accessibleName(form12->RadioButton1), QString("Bloquear"));
        QCOMPARE(accessibleName(form12->RadioButton2), QString("Desbloquear"));
        QVERIFY(form12->RadioButton1->isChecked());
        QCOMPARE(accessibleName(form12->Image2), QString("Executar"));
        QCOMPARE(form12->Image2->toolTip(), QString("Executar"));
        QVERIFY(reachableByTab(form12, form12->Image2));
    }

    void eachPressMakesExactlyOneCall()
    {
        QTest::mouseClick(form12->Image2, Qt::LeftButton);
        QVERIFY(f->device.functions() == (std::vector<std::string>{"BloquearSAT", "CodigoErro"}));
        QCOMPARE(form12->focusWidget(), form12->Image2);

        choose(form12->RadioButton2);
        f->device.reset();
        f->device.setFallback({"Sucesso", 1, "device text"});
        QTest::keyClick(form12->Image2, Qt::Key_Space);
        QVERIFY(f->device.functions() ==
                (std::vector<std::string>{"DesbloquearSAT", "CodigoErro"}));
        QCOMPARE(f->messages, (QStringList{"Código trocado" + blanks30,
                                           "   Porta de comunicação não conectada.   "}));
        QVERIFY(form12->RadioButton2->isChecked());
        QCOMPARE(form12->focusWidget(), form12->Image2);
    }

    void slowCallsKeepTheWindowAliveAndTakeNoInput()
    {
        struct SlowCase {
            QWidget* window;
            ImageButton* run;
            CodeChangeFields* fields; // typed into first, when the screen has them
            const char* function;
        };
        Screens::openScreen(form8);
        const SlowCase cases[] = {
            {form12, form12->Image2, nullptr, "BloquearSAT"},
            {form18, form18->Image2, form18->fields, "TrocarCodigoDeAtivacao"},
            {form8, form8->Image2, form8->fields, "TrocarCodigoDeAtivacao"},
        };
        for (const SlowCase& c : cases) {
            f->device.reset();
            f->device.setFallback({"000012|18000|ignored", 0, "Código trocado"});
            f->messages.clear();
            if (c.fields) {
                QTest::keyClicks(c.fields->ncod, "12345678");
                QTest::keyClicks(c.fields->ncodconf, "12345678");
            }
            f->device.delayNext(c.function, 1500);
            const SlowCallSeen seen =
                duringSlowCall(f->device, c.window, c.window, form12->RadioButton2, c.run);
            QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
            QVERIFY(f->device.functions() == (std::vector<std::string>{c.function, "CodigoErro"}));
            QCOMPARE(f->messages, QStringList{"Código trocado" + blanks30});
            QVERIFY(!devicecall::running());
        }
        QVERIFY(form12->RadioButton1->isChecked());
    }

    void emptyStoredCodeStillGoesOut()
    {
        f->context.clearActivationCode();
        QTest::mouseClick(form12->Image2, Qt::LeftButton);
        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(2));
        QVERIFY(calls[0].args == (std::vector<Arg>{"12", ""}));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<CodeFormsTest>(argc, argv);
}

#include "CodeFormsTest.moc"
