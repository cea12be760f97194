#include "ScreenChecks.h"
#include "SlowCall.h"
#include "UiTest.h"

#include "Extrairlog.h"
#include "Groupeditems.h"
#include "Msg.h"
#include "TextAreaSink.h"
#include "Tiles.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdint>
#include <string>

namespace {

const char* const transferred = "000012|15000|Transferencia de logs concluida||";
const std::string headedLog = "HEADER\n"
                              "20150312093005|two|three|four:msg one\n"
                              "20150312093006|TWO|THREE|FOUR:msg two";
const std::string plainLog = "20150312093005|app|INFO|Comunicação iniciada\n"
                             "20150312093006|rede|WARN|Cabo desconectado\n"
                             "20150312093007|sat|ERROR|Falha no envio\n";
const QStringList headedLines = {"1 12/03/2015 09:30:05 four three msg one",
                                 "2 12/03/2015 09:30:06 FOUR THREE msg two"};
const QStringList plainLines = {"1 12/03/2015 09:30:05  INFO Comunicação iniciada",
                                "2 12/03/2015 09:30:06  WARN Cabo desconectado",
                                "3 12/03/2015 09:30:07  ERROR Falha no envio"};

} // namespace

class LogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    TForm14* form = nullptr;

    void transfer(const std::string& log)
    {
        f->device.script("ExtrairLogs", {transferred, 0, "", TestDevice::base64(log)});
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        form = f->screens.Form14();
        Screens::openScreen(form);
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup() { f.reset(); }

    void captionAndNames()
    {
        QCOMPARE(form->windowTitle(), QString("Logs"));
        QCOMPARE(accessibleName(form->Memo1), QString("Logs"));
        QCOMPARE(form->Memo1->objectName(), QString("Memo1"));
        const std::pair<ImageButton*, const char*> images[] = {{form->Image1, "Extrair logs"},
                                                               {form->Image2, "Salvar logs"}};
        for (const auto& [image, name] : images) {
            QCOMPARE(accessibleName(image), QString(name));
            QCOMPARE(image->toolTip(), QString(name));
        }
        QCOMPARE(form->Image1->objectName(), QString("Image1"));
        QCOMPARE(form->Image2->objectName(), QString("Image2"));
    }

    void extractionsAppendNumberedFromOneEachTime()
    {
        transfer(headedLog);
        transfer(plainLog);
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QCOMPARE(form->lines(), headedLines);
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QCOMPARE(form->lines(), headedLines + plainLines);
        QVERIFY(f->messages.isEmpty());
        QCOMPARE(f->device.functions(), (std::vector<std::string>{"ExtrairLogs", "Base64ToAscii",
                                                                  "ExtrairLogs", "Base64ToAscii"}));
    }

    void aSlowExtractionKeepsTheWindowAliveAndTakesNoInput()
    {
        transfer(headedLog);
        f->device.delayNext("ExtrairLogs", 1500);
        const SlowCallSeen seen = duringSlowCall(
            f->device, form, form->Memo1, 700,
            [&] { QTest::keyClick(form->Image1, Qt::Key_Space); },
            [&] { QTest::mouseClick(form->Image1, Qt::LeftButton); });
        QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
        QCOMPARE(form->lines(), headedLines);
        QVERIFY(f->messages.isEmpty());
        QCOMPARE(f->device.functions(), (std::vector<std::string>{"ExtrairLogs", "Base64ToAscii"}));
    }

    void aRefusalIsShownAndAddsNoLine()
    {
        f->device.script("ExtrairLogs", {"Erro ao tentar abrir a porta"});
        f->device.script("ExtrairLogs", {"000012|15001|Falha||"});
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QCOMPARE(f->messages,
                 (QStringList{"Erro ao Abrir Porta de Comunicação", "000012|15001|Falha||"}));
        QVERIFY(form->lines().isEmpty());
    }

    void invalidUtf8IsShownAsReplacementCharacters()
    {
        transfer("H\n20150312093005|a|b|c:d\xE9z\xFF\n");
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QCOMPARE(form->lines(), QStringList{QString("1 12/03/2015 09:30:05 c b d") + QChar(0xFFFD) +
                                            "z" + QChar(0xFFFD)});
    }

    void verDetalhesExtractsIntoTheLogsScreenWithoutClearingIt()
    {
        form->close();
        form->Memo1->setPlainText("linha anterior");
        TForm13* msg = f->screens.Form13();
        msg->fillAndShow("Erro na ativação");
        transfer(headedLog);
        transfer(plainLog);
        QTest::mouseClick(msg->Button2, Qt::LeftButton);
        QVERIFY(form->isVisible());
        QVERIFY(msg->isVisible());
        QCOMPARE(form->lines(), QStringList{"linha anterior"} + headedLines);
        // Pressed twice: the second run follows the first.
        QTest::mouseClick(msg->Button2, Qt::LeftButton);
        QCOMPARE(form->lines(), QStringList{"linha anterior"} + headedLines + plainLines);
    }

    void theLogsTileClearsWhatAnExtractionLeft()
    {
        transfer(headedLog);
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        QCOMPARE(form->lines().size(), 2);
        f->screens.GridForm()->Image13Click();
        QVERIFY(form->lines().isEmpty());
    }

    void saveWritesAnsiCrLfWithoutByteOrderMarkAndCancelWritesNothing()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        transfer(plainLog);
        QTest::mouseClick(form->Image1, Qt::LeftButton);

        const QString target = folder.filePath("logs do sat");
        f->fileAnswers = {target};
        QTest::mouseClick(form->Image2, Qt::LeftButton);
        QCOMPARE(readAll(target),
                 QByteArray("1 12/03/2015 09:30:05  INFO Comunica\xE7\xE3o iniciada\r\n"
                            "2 12/03/2015 09:30:06  WARN Cabo desconectado\r\n"
                            "3 12/03/2015 09:30:07  ERROR Falha no envio\r\n"));
        QVERIFY(f->messages.isEmpty());

        f->fileAnswers = {QString()};
        QTest::mouseClick(form->Image2, Qt::LeftButton);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"logs do sat"});
        QVERIFY(f->messages.isEmpty());
    }

    // The lines as the area shows them: a no-break space stays A0, and a line separator is a
    // character of its line (not in Windows-1252: "?"), not a line break.
    void theSaveWritesTheLinesAsShown()
    {
        QTemporaryDir folder;
        const QString target = folder.filePath("logs");
        form->Memo1->setPlainText(QString("A") + QChar(0x00A0) + "B" + QChar(QChar::LineSeparator) +
                                  "C\nD");
        f->fileAnswers = {target};
        QTest::mouseClick(form->Image2, Qt::LeftButton);
        QCOMPARE(readAll(target), QByteArray("A\xA0"
                                             "B?C\r\nD\r\n"));
    }

    void aFailedSaveIsToldAndTheLinesStay()
    {
        QTemporaryDir folder;
        transfer(headedLog);
        QTest::mouseClick(form->Image1, Qt::LeftButton);
        f->fileAnswers = {folder.filePath("absent/logs.txt")};
        QTest::mouseClick(form->Image2, Qt::LeftButton);
        QCOMPARE(f->messages.size(), 1);
        QVERIFY(f->messages[0].startsWith("Não foi possível salvar os logs em"));
        QCOMPARE(form->lines(), headedLines);
    }

    void theKeptBufferDecodesAsFromUtf8()
    {
        QPlainTextEdit area;
        TextAreaSink sink(&area);
        const std::string samples[] = {
            "",
            "linha simples",
            "\xEF\xBB\xBF"
            "marca no início",
            "meio \xEF\xBB\xBF"
            "marca",
            "cortada no fim \xE3\x81",
            "cortada antes da quebra \xE3\x81\nseguinte",
            "\xF0\x9F\x98\x80 fora do plano básico \xF0\x9F\x98",
            "substituto \xED\xA0\x80, longa \xC0\x80, não caracteres \xEF\xBF\xBF\xEF\xBF\xBE",
            "soltos \x80\xBF\xFE\xFF fim",
        };
        for (const std::string& sample : samples) {
            const QString expected = QString::fromUtf8(sample.data(), qsizetype(sample.size()));
            QCOMPARE(sink.decoded(sample), expected);
        }
        // Random bytes, longer and shorter than the text before them, reuse the buffer.
        std::uint32_t seed = 12345;
        for (int round = 0; round < 200; ++round) {
            seed = seed * 1664525u + 1013904223u;
            std::string bytes((seed >> 8) % 300, '\0');
            for (char& c : bytes) {
                seed = seed * 1664525u + 1013904223u;
                c = char(seed >> 24);
            }
            const QString expected = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
            QCOMPARE(sink.decoded(bytes), expected);
        }
    }

    void aTextHandedOnIsNotChangedByTheNextBlock()
    {
        QPlainTextEdit area;
        TextAreaSink sink(&area);
        const QString first = sink.decoded("primeiro bloco de linhas");
        QCOMPARE(sink.decoded("outro"), QString("outro"));
        QCOMPARE(first, QString("primeiro bloco de linhas"));
        sink.appendLines("um\ndois\n");
        sink.appendLines("três\n");
        QCOMPARE(sink.decoded("x"), QString("x"));
        QCOMPARE(area.toPlainText(), QString("um\ndois\ntrês"));
    }

    void bothImagesHaveAKeyboardPath()
    {
        QTemporaryDir folder;
        transfer(headedLog);
        form->Image1->setFocus();
        QVERIFY(form->Image1->hasFocus());
        QTest::keyClick(form->Image1, Qt::Key_Space);
        QCOMPARE(form->lines(), headedLines);

        const QString target = folder.filePath("teclado.txt");
        f->fileAnswers = {target};
        QTest::keyClick(form, Qt::Key_Tab);
        QVERIFY(form->Image2->hasFocus());
        QTest::keyClick(form->Image2, Qt::Key_Space);
        QCOMPARE(readAll(target), QByteArray("1 12/03/2015 09:30:05 four three msg one\r\n"
                                             "2 12/03/2015 09:30:06 FOUR THREE msg two\r\n"));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<LogsTest>(argc, argv);
}

#include "LogsTest.moc"
