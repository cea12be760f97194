#include "UiTest.h"

#include "Ativasat.h"
#include "Checklist.h"
#include "Csr.h"
#include "Extrairlog.h"
#include "Groupeditems.h"
#include "Msg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include <stdexcept>

namespace {

// What the probe printed; a Windows program's text-mode output ends its lines in CR LF.
QString probeOutput(QProcess& probe)
{
    return QString::fromUtf8(probe.readAllStandardOutput()).remove('\r');
}

class Throwing : public QObject {
public:
    bool throwInt = false;
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) {
            if (throwInt)
                throw 7;
            throw std::runtime_error("Falha ao processar: 100%s");
        }
        return QObject::event(event);
    }
};

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;

private slots:
    void init() { f = std::make_unique<UiFixture>(); }
    void cleanup() { f.reset(); }

    void messageWindowShowsOnlyTheNewMessage()
    {
        TForm13* msg = f->screens.Form13();
        QCOMPARE(msg->windowTitle(), QString("TORVAL VEXOR"));
        QVERIFY(msg->Memo1->isReadOnly());
        QCOMPARE(msg->Memo1->accessibleName(), QString("Mensagem"));
        msg->fillAndShow("Erro 1");
        QVERIFY(msg->isVisible());
        QTest::mouseClick(msg->Button1, Qt::LeftButton);
        QVERIFY(!msg->isVisible());
        QCOMPARE(msg->Memo1->toPlainText(), QString("Erro 1"));
        msg->fillAndShow("Erro 2");
        QCOMPARE(msg->Memo1->toPlainText(), QString("Erro 2"));
    }

    void verDetalhesOpensTheLogsScreenAndTheMessageStays()
    {
        TForm13* msg = f->screens.Form13();
        msg->fillAndShow("Erro");
        QCOMPARE(msg->Button2->text(), QString("Ver Detalhes"));
        QTest::mouseClick(msg->Button2, Qt::LeftButton);
        QVERIFY(f->screens.Form14()->isVisible());
        QVERIFY(msg->isVisible());
    }

    void checklistEnterOpensActivationAndEscDoesNot()
    {
        TOKRightDlg* checklist = f->screens.OKRightDlg();
        QCOMPARE(checklist->windowTitle(), QString("TORVAL VEXOR Manager"));
        QStringList shown;
        for (int i = 1; i <= 6; ++i)
            shown << child<QLabel>(checklist, QString("Label%1").arg(i).toUtf8())->text();
        QCOMPARE(shown, TOKRightDlg::lines);
        QCOMPARE(shown[3], QString("3) As portas TCP 443 e UDP 123 estão liberadas no firewal "));

        Screens::openScreen(checklist);
        QTest::keyClick(checklist, Qt::Key_Escape);
        QVERIFY(!checklist->isVisible());
        QVERIFY(!f->screens.Form16()->isVisible());

        Screens::openScreen(checklist);
        QTest::keyClick(checklist, Qt::Key_Return);
        QVERIFY(!checklist->isVisible());
        QVERIFY(f->screens.Form16()->isVisible());
        QCOMPARE(f->screens.Form16()->windowTitle(), QString("Ativar SAT"));
    }

    void certificateRequestsAreAppended()
    {
        TForm11* csr = f->screens.Form11();
        QCOMPARE(csr->windowTitle(), QString("CSR"));
        QCOMPARE(csr->Label1->text(),
                 QString("Copie o CSR abaixo para solicitar obter o CRT. Uma cópia será salva em "
                         "arquivo."));
        QCOMPARE(csr->Memo1->accessibleName(), QString("CSR"));
        csr->appendRequest("-----BEGIN A-----");
        QVERIFY(csr->isVisible());
        csr->close();
        csr->appendRequest("-----BEGIN B-----");
        QCOMPARE(csr->lines(), (QStringList{"-----BEGIN A-----", "-----BEGIN B-----"}));
    }

    void longMessagesAreCutAtACharacter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QString full(65536, 'a');
        const QString smiley = QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("at the limit") << full << full;
        QTest::newRow("one over") << full + "b"
                                  << full + "\n\n(Mensagem cortada: foram mostrados os "
                                            "primeiros 65.536 de 65.537 caracteres.)";
        // A character of two UTF-16 units across the limit is left out whole.
        QTest::newRow("pair across the limit")
            << QString(65535, 'a') + smiley + "c"
            << QString(65535, 'a') + "\n\n(Mensagem cortada: foram mostrados os primeiros "
                                     "65.535 de 65.538 caracteres.)";
    }
    void longMessagesAreCutAtACharacter()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        MessageBoxes::information(nullptr, text);
        QCOMPARE(f->messages, QStringList{shown});
    }

    void anErrorInAnEventHandlerIsShownAndTheLoopGoesOn()
    {
        Throwing target;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target, &event);
        QCOMPARE(f->messages, QStringList{"Falha ao processar: 100%s"});

        target.throwInt = true;
        QCoreApplication::sendEvent(&target, &event);
        QCOMPARE(f->messages, (QStringList{"Falha ao processar: 100%s", QString()}));
    }

    void screensAreCreatedOnceAndKept()
    {
        QWidget* first = f->screens.Form14();
        f->screens.createAll();
        QCOMPARE(static_cast<QWidget*>(f->screens.Form14()), first);
        QCOMPARE(f->screens.GridForm()->findChildren<TForm14*>().size(), qsizetype(1));
        first->close();
        QCOMPARE(static_cast<QWidget*>(f->screens.Form14()), first);
    }

    // The real end of the process, in a program of its own.
    void closingTheAccessDialogAsActivatedWithoutCodeEndsWithStatus1()
    {
        QProcess probe;
        probe.start(ACCESS_EXIT_PROBE, {"activated"});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 1);
        QCOMPARE(probeOutput(probe), QString("box: Necessário definir o código de ativação\n"));

        probe.start(ACCESS_EXIT_PROBE, {"kit"});
        QVERIFY(probe.waitForFinished(30000));
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(probeOutput(probe), QString("closed\n"));
    }

    // Leaving the program is not closing the access dialog: no check, no message, status 0.
    void leavingWithTheAccessDialogOpenEndsQuietlyWithStatus0_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("output");
        QTest::newRow("Sair") << "sair"
                              << "sair\n";
        QTest::newRow("main window closed") << "close-main"
                                            << "main closed\n";
        QTest::newRow("Sair of the code change") << "code-change-sair"
                                                 << "code change sair\n";
    }
    // Windows close in no fixed order when the program ends, so each way is tried repeatedly.
    void leavingWithTheAccessDialogOpenEndsQuietlyWithStatus0()
    {
        QFETCH(QString, how);
        QFETCH(QString, output);
        for (int attempt = 1; attempt <= 10; ++attempt) {
            QProcess probe;
            probe.start(ACCESS_EXIT_PROBE, {how});
            QVERIFY(probe.waitForFinished(30000));
            QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
            QCOMPARE(probeOutput(probe), output);
            QCOMPARE(probe.exitCode(), 0);
        }
    }
};

int main(int argc, char** argv)
{
    return runUiTest<WindowsTest>(argc, argv);
}

#include "WindowsTest.moc"
