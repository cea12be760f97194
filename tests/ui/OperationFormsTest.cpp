#include "UiTest.h"

#include "DeviceCall.h"
#include "DeviceTest.h"
#include "Groupeditems.h"
#include "Sale.h"
#include "ScreenChecks.h"
#include "SlowCall.h"
#include "Testesat.h"
#include "Tiles.h"
#include "Update.h"

#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

using Args = std::vector<std::optional<std::string>>;

const std::string key = "CFe35260148213907000165599000001230000011234567";
const QString blanks30(30, ' ');

// The device's answer: the Base64 CF-e first, then the key as a field of its own.
std::string saleAnswer(const std::string& base64)
{
    return "000012|06000|0000|Emitido com sucesso + conteúdo notas.|||" + base64 +
           "|20260108120000|" + key + "|000000000048.80||QR";
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class OperationFormsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    QTemporaryDir dir;
    TFiscal* fiscal = nullptr;
    TForm7* form7 = nullptr;
    TForm6* form6 = nullptr;

    Args argsOf(const std::string& function) const
    {
        for (const TestDevice::Call& call : f->device.calls())
            if (call.function == function)
                return call.args;
        return {};
    }
    void click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }

    // Runs the probe once while the click below is still waiting for the device.
    void duringTheCall(int afterMs, std::function<void()> probe)
    {
        QTimer::singleShot(afterMs, probe);
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        QVERIFY(f->context.setActivationCode("12345678"));
        fiscal = f->screens.Fiscal();
        form7 = f->screens.Form7();
        form6 = f->screens.Form6();
        for (QWidget* screen : std::initializer_list<QWidget*>{fiscal, form7, form6})
            Screens::openScreen(screen);
    }
    void cleanup() { f.reset(); }

    // ---- Fiscal ----

    void fiscalControls()
    {
        QCOMPARE(fiscal->windowTitle(), QString("Fiscal"));
        QVERIFY(fiscal->isWindow());
        QCOMPARE(fiscal->RadioGroup1->title(), QString(" Operação "));
        QCOMPARE(accessibleName(fiscal->RadioButton1), QString("Vender"));
        QCOMPARE(accessibleName(fiscal->RadioButton2), QString("Cancelar Venda"));
        QVERIFY(fiscal->RadioButton1->isChecked());
        QVERIFY(fiscal->RadioButton2->isEnabled());

        const std::pair<QWidget*, const char*> images[] = {{fiscal->Image5, "Abrir XML de entrada"},
                                                           {fiscal->Image2, "Enviar"},
                                                           {fiscal->Image4, "Salvar XML de saída"}};
        for (const auto& [image, name] : images) {
            QCOMPARE(accessibleName(image), QString(name));
            QCOMPARE(image->toolTip(), QString(name));
            QVERIFY(reachableByTab(fiscal, image));
        }
        const std::pair<QPlainTextEdit*, const char*> areas[] = {
            {fiscal->XMLEntrada, "XML Entrada"},
            {fiscal->Memo1, "Resposta SAT"},
            {fiscal->XMLSaida, "XML Saída"}};
        for (const auto& [area, name] : areas) {
            QCOMPARE(accessibleName(area), QString(name));
            QVERIFY(reachableByTab(fiscal, area));
            QVERIFY(area->tabChangesFocus());
        }
        QVERIFY(labelledBy(fiscal->Memo1, fiscal->Label2));
        QVERIFY(labelledBy(fiscal->XMLSaida, fiscal->Label1));
    }

    void imagesActFromTheKeyboard()
    {
        fiscal->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(fiscal));
        fiscal->Image2->setFocus();
        QTest::keyClick(fiscal->Image2, Qt::Key_Space);
        QCOMPARE(f->messages, QStringList{"Carregue um XML de entrada!"});
        fiscal->Image4->setFocus();
        QTest::keyClick(fiscal->Image4, Qt::Key_Space);
        QCOMPARE(f->messages.last(), QString("Envie um XML para o VEXOR antes de salvar."));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fiscal->Image4));
    }

    void saleSaveAndCancelThroughTheControls()
    {
        const QByteArray sale = "<CFe><infCFe><det><prod><xProd>AÇÚCAR <b>1kg</b></xProd>"
                                "</prod></det></infCFe></CFe>\r\n";
        const QByteArray cancel =
            "<CFeCanc><infCFe chCanc=\"CFe" + QByteArray(44, '0') + "\"/></CFeCanc>";
        // A no-break space in the CF-e is saved as its Windows-1252 byte, not as a blank.
        const std::string returned = "<CFe>\n<xProd>A\u00A0Ç</xProd>\n</CFe>";
        const std::string base64 = TestDevice::base64(returned);

        f->fileAnswers << writeFile(dir, "venda.xml", sale);
        click(fiscal->Image5);
        QCOMPARE(fiscal->XMLEntrada->toPlainText(),
                 QString("<CFe><infCFe><det><prod><xProd>AÇÚCAR <b>1kg</b></xProd></prod></det>"
                         "</infCFe></CFe>\n"));

        f->device.script("EnviarDadosVenda", {saleAnswer(base64), 0, "Emitido <i>ok</i>", base64});
        click(fiscal->Image2);
        QCOMPARE(argsOf("EnviarDadosVenda"),
                 (Args{"12", "12345678",
                       "<CFe><infCFe><det><prod><xProd>A\xC7\xDA"
                       "CAR <b>1kg</b></xProd></prod></det></infCFe></CFe>\n"}));
        QCOMPARE(f->messages, QStringList{"Emitido <i>ok</i>" + blanks30});
        QCOMPARE(fiscal->Memo1->toPlainText(), QString::fromStdString(saleAnswer(base64)));
        QCOMPARE(fiscal->XMLSaida->toPlainText(), QString("<CFe>\n<xProd>A Ç</xProd>\n</CFe>"));
        QCOMPARE(fiscal->sale().cfeKey(), key);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(fiscal->Image2));

        const QString saved = dir.filePath("cupom");
        f->fileAnswers << saved;
        click(fiscal->Image4);
        QCOMPARE(readAll(saved), QByteArray("<CFe>\r\n<xProd>A\xA0\xC7</xProd>\r\n</CFe>\r\n"));

        choose(fiscal->RadioButton2);
        f->fileAnswers << writeFile(dir, "cancelamento.xml", cancel);
        click(fiscal->Image5);
        f->device.script("CancelarUltimaVenda", {"000012|07000|0000|Cancelado com sucesso|", 0,
                                                 "Cancelado", TestDevice::base64("<CFeCanc/>")});
        click(fiscal->Image2);
        const Args sent = argsOf("CancelarUltimaVenda");
        QCOMPARE(sent, (Args{"12", "12345678", key,
                             "<CFeCanc><infCFe chCanc=\"" + key + "\"/></CFeCanc>"}));
        QCOMPARE(fiscal->XMLEntrada->toPlainText(), QString::fromStdString(*sent[3]));
        QCOMPARE(fiscal->XMLSaida->toPlainText(), QString("<CFeCanc/>"));
    }

    void aSlowSaleKeepsTheWindowAliveAndTakesNoInput()
    {
        f->fileAnswers << writeFile(dir, "venda.xml", "<CFe/>");
        click(fiscal->Image5);
        const std::string base64 = TestDevice::base64("<CFe/>");
        f->device.script("EnviarDadosVenda", {saleAnswer(base64), 0, "Emitido", base64});
        f->device.delayNext("EnviarDadosVenda", 1500);
        const SlowCallSeen seen =
            duringSlowCall(f->device, fiscal, fiscal->Memo1, fiscal->RadioButton2, fiscal->Image2);
        QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
        QVERIFY(fiscal->RadioButton1->isChecked());
        QCOMPARE(f->device.functions(),
                 (std::vector<std::string>{"EnviarDadosVenda", "CodigoErro", "Base64ToAscii"}));
        QCOMPARE(f->messages, QStringList{"Emitido" + blanks30});
        QCOMPARE(fiscal->XMLSaida->toPlainText(), QString("<CFe/>"));
    }

    void tileImageEmptiesTheAreasTheCaptionKeepsThem()
    {
        TGridForm* grid = f->screens.GridForm();
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            area->setPlainText("antes");
        click(child<ClickPanel>(grid, "Panel14"));
        QVERIFY(fiscal->isVisible());
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            QCOMPARE(area->toPlainText(), QString("antes"));
        click(child<ImageButton>(grid, "Image5"));
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            QCOMPARE(area->toPlainText(), QString());
        // Nothing left to save once the image emptied the output.
        click(fiscal->Image4);
        QCOMPARE(f->messages, QStringList{"Envie um XML para o VEXOR antes de salvar."});
        QVERIFY(f->fileAnswers.isEmpty());
    }

    // ---- Testes SAT ----

    void testDialogControls()
    {
        QCOMPARE(form7->windowTitle(), QString("Testes SAT"));
        QCOMPARE(form7->GroupBox1->title(), QString(" Tipo Teste"));
        QCOMPARE(accessibleName(form7->fimafim), QString("PDV<->SEFAZ"));
        QCOMPARE(accessibleName(form7->RadioButton2), QString("PDV<->SAT"));
        QVERIFY(!form7->fimafim->isChecked());
        QVERIFY(!form7->RadioButton2->isChecked());
        QCOMPARE(accessibleName(form7->Image1), QString("Iniciar teste"));
        QCOMPARE(form7->Image1->toolTip(), QString("Iniciar teste"));
        QVERIFY(reachableByTab(form7, form7->Image1));
    }

    void eachOptionMakesExactlyItsCall_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("functions");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("none") << QString() << QStringList() << QStringList();
        QTest::newRow("PDV<->SEFAZ") << "fimafim" << QStringList{"TesteFimAFim", "CodigoErro"}
                                     << QStringList{"Teste fim a fim OK" + blanks30};
        QTest::newRow("PDV<->SAT") << "RadioButton2" << QStringList{"ConsultarSAT", "CodigoErro"}
                                   << QStringList{"Teste fim a fim OK" + blanks30};
    }
    void eachOptionMakesExactlyItsCall()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, functions);
        QFETCH(QStringList, messages);
        f->device.setFallback({"000012|09000|Teste", 0, "Teste fim a fim OK"});
        if (!option.isEmpty())
            choose(child<QRadioButton>(form7, option.toUtf8().constData()));
        click(form7->Image1);
        QStringList called;
        for (const std::string& name : f->device.functions())
            called << QString::fromStdString(name);
        QCOMPARE(called, functions);
        QCOMPARE(f->messages, messages);
        if (option == "fimafim")
            QCOMPARE(argsOf("TesteFimAFim"),
                     (Args{"12", "12345678", std::string(DeviceTest::testSaleDocument)}));
        if (option == "RadioButton2")
            QCOMPARE(argsOf("ConsultarSAT"), Args{"12"});
    }

    void aSlowEndToEndTestKeepsTheWindowsAliveAndTakesNoInput()
    {
        f->device.setFallback({"000012|09000|Teste", 0, "Teste concluído"});
        f->device.delayNext("TesteFimAFim", 2000);
        choose(form7->fimafim);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(100);
        PaintCounter paints(form7->GroupBox1);
        bool waiting = false;
        bool stillOpen = false;
        duringTheCall(1000, [&] {
            waiting = f->device.waitingCalls() == 1 && devicecall::running();
            form7->GroupBox1->update();
            // The operator tries another operation, a second test and closing the window.
            click(form6->Image2);
            click(fiscal->Image2);
            QTest::keyClick(fiscal->Image4, Qt::Key_Space);
            choose(form7->RadioButton2);
            click(form7->Image1);
            form7->close();
            stillOpen = form7->isVisible();
        });
        click(form7->Image1);
        ticker.stop();

        QVERIFY(waiting);
        QVERIFY(stillOpen);
        QVERIFY(form7->fimafim->isChecked());
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY(paints.paints > 0);
        QCOMPARE(f->device.functions(), (std::vector<std::string>{"TesteFimAFim", "CodigoErro"}));
        QCOMPARE(f->messages, QStringList{"Teste concluído" + blanks30});
        QVERIFY(!devicecall::running());
        // Input is taken again once the call returned.
        form7->close();
        QVERIFY(!form7->isVisible());
    }

    // ---- Atualiza Software SAT ----

    void updateDialogControls()
    {
        QCOMPARE(form6->windowTitle(), QString("Atualiza Software SAT"));
        QCOMPARE(accessibleName(form6->Image2), QString("Atualizar software"));
        QCOMPARE(form6->Image2->toolTip(), QString("Atualizar software"));
        QVERIFY(reachableByTab(form6, form6->Image2));
        QCOMPARE(accessibleName(form6->ProgressBar1), QString("Progresso"));
        QCOMPARE(form6->ProgressBar1->minimum(), 0);
        QCOMPARE(form6->ProgressBar1->maximum(), 100);
        QCOMPARE(form6->ProgressBar1->width(), 150);
        QCOMPARE(form6->Timer1->interval(), 1000);
        QVERIFY(!form6->Timer1->isActive());
    }

    void aSlowUpdateMovesTheBarAndEndsFull()
    {
        f->device.script("AtualizarSoftwareSAT",
                         {"000012|14000|0000|Atualizado", 0, "Software atualizado"});
        f->device.delayNext("AtualizarSoftwareSAT", 2600);
        form6->ProgressBar1->setValue(40);
        PaintCounter paints(form6->ProgressBar1);
        struct Seen {
            int value;
            bool ticking;
            bool waiting;
        };
        std::vector<Seen> seen;
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, [&] {
            seen.push_back({form6->ProgressBar1->value(), form6->Timer1->isActive(),
                            f->device.waitingCalls() == 1});
        });
        sampler.start(250);
        bool stillOpen = false;
        duringTheCall(1500, [&] {
            choose(form7->RadioButton2);
            click(form7->Image1);
            click(fiscal->Image2);
            QTest::keyClick(form6->Image2, Qt::Key_Space);
            form6->close();
            stillOpen = form6->isVisible();
        });
        click(form6->Image2);
        sampler.stop();

        // Right after the click: tick on, bar from 0, and it moved while the device worked.
        QVERIFY(seen.size() >= 8);
        QCOMPARE(seen.front().value, 0);
        QVERIFY(seen.front().ticking);
        int highest = 0;
        for (const Seen& s : seen) {
            if (s.waiting)
                highest = std::max(highest, s.value);
        }
        QVERIFY2(highest >= 2, qPrintable(QString::number(highest)));
        QVERIFY(paints.paints > 0);
        QVERIFY(stillOpen);
        QVERIFY(!form7->RadioButton2->isChecked());
        QCOMPARE(f->messages, QStringList{"Software atualizado" + blanks30});
        QCOMPARE(f->device.functions(),
                 (std::vector<std::string>{"AtualizarSoftwareSAT", "CodigoErro"}));
        QCOMPARE(argsOf("AtualizarSoftwareSAT"), (Args{"12", "12345678"}));
        QCOMPARE(form6->ProgressBar1->value(), 100);
        QVERIFY(!form6->Timer1->isActive());
    }

    void theTileEmptiesTheBarAfterAnUpdate()
    {
        click(form6->Image2);
        QCOMPARE(form6->ProgressBar1->value(), 100);
        click(child<ImageButton>(f->screens.GridForm(), "Image4"));
        QCOMPARE(form6->ProgressBar1->value(), 0);
        QVERIFY(form6->isVisible());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<OperationFormsTest>(argc, argv);
}

#include "OperationFormsTest.moc"
