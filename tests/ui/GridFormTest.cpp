#include "ScreenChecks.h"
#include "SlowCall.h"
#include "UiTest.h"

#include "Acesso.h"
#include "Changecod.h"
#include "Extrairlog.h"
#include "Groupeditems.h"
#include "Network.h"
#include "Sale.h"
#include "Tiles.h"
#include "Update.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>

#include <functional>

namespace {

const char* const statusOk =
    "000012|10000|Resposta com Sucesso|0000||900004019|IPFIX|192.168.001.010|00:11:22:33:44:55|"
    "255.255.255.000|192.168.001.001|008.008.008.008|008.008.004.004|CONECTADO|ALTO|4 GB|12 MB|"
    "20150901123456|01.01.00|0.07|000123|000122|000123|20150901120000|20150901120500|20150101|"
    "20200101|0";

// The windows other than the main window that are on screen, by name.
QStringList shownWindows(QWidget* grid)
{
    QStringList names;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != grid && window->isVisible() && !window->objectName().isEmpty())
            names << window->objectName();
    }
    names.sort();
    return names;
}

// A control of the main window itself: the windows it owns reuse names such as "Image1".
template <typename T> T* own(QWidget* grid, const QString& name)
{
    for (T* widget : grid->findChildren<T*>(name)) {
        if (widget->window() == grid)
            return widget;
    }
    qFatal("no control named %s in the main window", qPrintable(name));
}

// The windows the main window owns, shown or not, by name: the screens created so far.
QStringList ownedWindows(QWidget* grid)
{
    QStringList names;
    for (QObject* owned : grid->children()) {
        if (owned->isWidgetType() && static_cast<QWidget*>(owned)->isWindow())
            names << owned->objectName();
    }
    names.sort();
    return names;
}

void hideWindowsBut(QWidget* grid)
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != grid)
            window->hide();
    }
}

const char* const menuControlNames[] = {
    "GroupBox1", "Panel3",  "Image2",    "Panel12", "Panel4",    "Image3",  "AtivarSAT", "Panel18",
    "Image10",   "Panel19", "GroupBox2", "Panel5",  "Image4",    "Panel6",  "Panel20",   "Image12",
    "Panel21",   "Panel24", "Image14",   "Panel25", "GroupBox3", "Panel8",  "Image7",    "Panel13",
    "Panel7",    "Image5",  "Panel14",   "Panel22", "Image13",   "Panel23", "GroupBox4"};

} // namespace

class GridFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> f;
    TGridForm* grid = nullptr;
    TOKRightDlg2* access = nullptr;

    bool onScreen(const char* name) { return own<QWidget>(grid, name)->isVisible(); }
    bool enabled(const char* name) { return own<QWidget>(grid, name)->isEnabled(); }

    // On the indicator: an option reacts only to clicks on its indicator and caption.
    static void choose(QRadioButton* option)
    {
        QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2));
    }

    void confirm(QRadioButton* option, const QString& code) { confirmOn(access, option, code); }

    static void confirmOn(TOKRightDlg2* dialog, QRadioButton* option, const QString& code)
    {
        choose(option);
        dialog->codATV->clear();
        if (dialog->codATV->isEnabled())
            QTest::keyClicks(dialog->codATV, code);
        QTest::mouseClick(dialog->Button1, Qt::LeftButton);
    }

private slots:
    void init()
    {
        f = std::make_unique<UiFixture>();
        grid = f->screens.GridForm();
        grid->resize(1366, 768);
        grid->show();
        access = f->screens.OKRightDlg2();
        f->device.setFallback({statusOk});
    }
    void cleanup() { f.reset(); }

    void startShowsTheTitleAloneWithTheAccessDialogInFront()
    {
        QVERIFY(access->isVisible());
        QVERIFY(own<QLabel>(grid, "Label1")->isVisible());
        QCOMPARE(own<QLabel>(grid, "Label1")->text(), QString("TORVAL VEXOR Manager V.: 1.0.0.4"));
        for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"})
            QVERIFY2(!onScreen(group), group);
        QVERIFY(!grid->AppBar->isVisible());
        QVERIFY(!grid->Memo1->isVisible());
        QVERIFY(f->device.calls().empty());
        QCOMPARE(grid->windowTitle(), QString("TORVAL VEXOR Manager"));
        QVERIFY(grid->windowFlags() & Qt::FramelessWindowHint);
    }

    // The program's own start: the main window full-screen and the access dialog, and no other
    // screen until it is first opened.
    void programStartCreatesTheMenuAndTheAccessDialogOnly()
    {
        Screens started{f->context, f->client};
        started.start();
        TGridForm* main = started.GridForm();
        QVERIFY(main->isVisible());
        QVERIFY(main->windowState() & Qt::WindowFullScreen);
        QCOMPARE(main->geometry(), main->screen()->geometry());
        QCOMPARE(ownedWindows(main), QStringList{"OKRightDlg2"});
        QVERIFY(started.OKRightDlg2()->isVisible());
        QCOMPARE(static_cast<QWidget*>(started.OKRightDlg2()->parentWidget()),
                 static_cast<QWidget*>(main));
        QVERIFY(f->device.calls().empty());
    }

    void tilesCreateTheirScreensOnFirstOpening_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("window");
        const std::pair<const char*, const char*> rows[] = {
            {"Image2", "Form15"},  {"Image3", "OKRightDlg"}, {"AtivarSAT", "Form16"},
            {"Image10", "Form17"}, {"Image4", "Form6"},      {"Image12", "Form7"},
            {"Image14", "Form18"}, {"Image7", "Form12"},     {"Image5", "Fiscal"},
            {"Image13", "Form14"}, {"SpeedButton1", "Form8"}};
        for (const auto& [control, window] : rows)
            QTest::newRow(control) << QString(control) << QString(window);
    }
    void tilesCreateTheirScreensOnFirstOpening()
    {
        QFETCH(QString, control);
        QFETCH(QString, window);
        Screens started{f->context, f->client};
        started.start();
        TGridForm* main = started.GridForm();
        TOKRightDlg2* dialog = started.OKRightDlg2();
        QWidget* target = child<QWidget>(dialog, "SpeedButton1");
        if (control != "SpeedButton1") {
            confirmOn(dialog, dialog->RadioButton2, "12345678");
            QVERIFY(!dialog->isVisible());
            target = own<QWidget>(main, control);
        }
        const QStringList before = ownedWindows(main);
        QVERIFY2(!before.contains(window), qPrintable(before.join(' ')));

        QTest::mouseClick(target, Qt::LeftButton);
        QStringList after = before;
        after << window;
        after.sort();
        QCOMPARE(ownedWindows(main), after);
        QWidget* opened = main->findChild<QWidget*>(window, Qt::FindDirectChildrenOnly);
        QVERIFY(opened->isVisible());

        // Opened again, the same window comes back: nothing more is created.
        opened->hide();
        QTest::mouseClick(target, Qt::LeftButton);
        QCOMPARE(ownedWindows(main), after);
        QVERIFY(opened->isVisible());
        QVERIFY(f->messages.isEmpty());
    }

    void groupAndTileCaptions()
    {
        QCOMPARE(own<QGroupBox>(grid, "GroupBox1")->title(), QString(" Configuração "));
        QCOMPARE(own<QGroupBox>(grid, "GroupBox2")->title(), QString(" Manutenção "));
        QCOMPARE(own<QGroupBox>(grid, "GroupBox3")->title(), QString(" Operação "));
        QCOMPARE(own<QGroupBox>(grid, "GroupBox4")->title(), QString(" Informações "));
        const std::pair<const char*, const char*> images[] = {
            {"Image2", "Rede SAT"},
            {"Image3", "Ativar SAT"},
            {"Image10", "Assinatura"},
            {"Image4", "Atualizar SW"},
            {"Image12", "Teste"},
            {"Image14", "Trocar Cód Ativação"},
            {"Image7", "Bloqueio"},
            {"Image5", "Fiscal"},
            {"Image13", "Logs"},
            {"Image15", "Atualizar status"},
            {"Image6", "Salvar log de status"},
            {"Image1", "Voltar ao acesso"},
            {"Image11", "Sair"},
        };
        for (const auto& [name, text] : images) {
            auto* image = own<QWidget>(grid, name);
            QCOMPARE(image->accessibleName(), QString(text));
            QCOMPARE(image->toolTip(), QString(text));
        }
        QCOMPARE(own<ClickPanel>(grid, "Panel25")->label()->text(), QString("Trocar Cód Ativação"));
    }

    void kitConfirmationOpensTheMenuWithoutActivationAndSignature()
    {
        confirm(access->RadioButton3, "12345678");

        QVERIFY(!access->isVisible());
        QVERIFY(f->messages.isEmpty());
        const auto calls = f->device.calls();
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].function, std::string("ConsultarStatusOperacional"));
        QCOMPARE(calls[0].args.at(1), std::optional<std::string>("12345678"));
        for (const char* shown : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4", "Panel3",
                                  "Panel5", "Panel20", "Panel24", "Panel8", "Panel7", "Panel22"})
            QVERIFY2(onScreen(shown), shown);
        QVERIFY(!onScreen("Panel4"));
        QVERIFY(!onScreen("Panel18"));
        QCOMPARE(own<QLabel>(grid, "Serie")->text(), QString("900004019"));
        QCOMPARE(own<QLabel>(grid, "datahora")->text(), QString("2015/09/01 12:34:56"));
        QCOMPARE(own<QLabel>(grid, "StatusSAT")->text(), QString("Desbloqueado"));
        QVERIFY(own<QLabel>(grid, "StatusSAT")->isVisible());
        QCOMPARE(grid->statusLog(), QStringList{statusOk});
    }

    void secondConfirmationAfterBackRebuildsTheMenuForTheNewKind()
    {
        confirm(access->RadioButton3, "12345678");
        QTest::mouseClick(grid->Image1, Qt::LeftButton);

        QVERIFY(access->isVisible());
        for (const char* group : {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"})
            QVERIFY2(!onScreen(group), group);
        QCOMPARE(access->codATV->text(), QString("12345678"));
        QCOMPARE(f->context.activationCode(), std::string("12345678"));

        confirm(access->RadioButton2, "12345678");
        QVERIFY(!access->isVisible());
        for (const char* tile :
             {"Panel4", "Image3", "AtivarSAT", "Panel18", "Image10", "Panel19"}) {
            QVERIFY2(onScreen(tile), tile);
            QVERIFY2(enabled(tile), tile);
        }
    }

    void notActivatedGivesTheReducedMenuWithoutADeviceCall()
    {
        QTest::keyClicks(access->codATV, "ignored");
        confirm(access->RadioButton1, QString());
        QVERIFY(!access->isVisible());
        QVERIFY(!access->codATV->isEnabled());
        QVERIFY(f->device.calls().empty());
        QCOMPARE(f->context.activationCode(), std::string("24681357"));
        for (const char* shown : {"Panel3", "Panel4", "Panel18", "Panel22"})
            QVERIFY2(onScreen(shown), shown);
        for (const char* hidden :
             {"Image10", "Panel19", "Panel7", "Panel8", "GroupBox2", "GroupBox4"})
            QVERIFY2(!onScreen(hidden), hidden);

        // Later proved as activated, the signature tile is whole again.
        QTest::mouseClick(grid->Image1, Qt::LeftButton);
        confirm(access->RadioButton2, "12345678");
        QVERIFY(onScreen("Image10"));
        QVERIFY(onScreen("Panel19"));
        QVERIFY(onScreen("GroupBox4"));
    }

    void emptyCodeAndRefusedCodeKeepTheDialogOpen()
    {
        confirm(access->RadioButton3, QString());
        QCOMPARE(f->messages, QStringList{"Necessário definir o código de ativação"});
        QVERIFY(access->isVisible());
        QVERIFY(f->device.calls().empty());

        f->messages.clear();
        f->device.setFallback({"000012|10001|Código de ativação inválido||"});
        confirm(access->RadioButton2, "wrong-code");
        QCOMPARE(f->messages, QStringList{"000012|10001|Código de ativação inválido||"});
        QVERIFY(access->isVisible());
        QVERIFY(access->RadioButton2->isChecked());
        QCOMPARE(access->codATV->text(), QString("wrong-code"));
        QCOMPARE(f->context.activationCode(), std::string());
    }

    void radioButtonsDriveTheCodeField()
    {
        choose(access->RadioButton1);
        QVERIFY(!access->codATV->isEnabled());
        choose(access->RadioButton2);
        QVERIFY(access->codATV->isEnabled());
        choose(access->RadioButton1);
        choose(access->RadioButton3);
        QVERIFY(access->codATV->isEnabled());
    }

    void accessDialogTabOrderAndLabels()
    {
        QCOMPARE(access->windowTitle(), QString("TORVAL VEXOR Manager"));
        QCOMPARE(access->Label1->buddy(), static_cast<QWidget*>(access->codATV));
        QCOMPARE(access->codATV->accessibleName(), QString("Código de Ativação"));
        QCOMPARE(access->Label2->text(), QString("Esqueceu o código de ativação ?"));
        QVERIFY(access->Button1->isDefault());
        const auto nextTab = [](QWidget* from) {
            QWidget* next = from->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            return next;
        };
        QCOMPARE(nextTab(access->codATV), static_cast<QWidget*>(access->Button1));
        QCOMPARE(nextTab(access->Button1), static_cast<QWidget*>(access->RadioButton2));
        QCOMPARE(nextTab(access->RadioButton2), static_cast<QWidget*>(access->RadioButton3));
        QCOMPARE(nextTab(access->RadioButton3), static_cast<QWidget*>(access->RadioButton1));
    }

    void enterConfirmsAndEscDoesNotClose()
    {
        QTest::keyClicks(access->codATV, "12345678");
        QTest::keyClick(access->codATV, Qt::Key_Escape);
        QVERIFY(access->isVisible());
        QTest::keyClick(access->codATV, Qt::Key_Return);
        QVERIFY(!access->isVisible());
        QCOMPARE(f->device.calls().size(), size_t(1));
    }

    void closingAsAKitJustCloses()
    {
        bool ended = false;
        access->endProcess = [&](int) { ended = true; };
        access->close();
        QVERIFY(!ended);
        QVERIFY(f->messages.isEmpty());

        Screens::openScreen(access);
        choose(access->RadioButton2);
        int status = -1;
        access->endProcess = [&](int code) { status = code; };
        access->close();
        QCOMPARE(status, 1);
        QCOMPARE(f->messages, QStringList{"Necessário definir o código de ativação"});
    }

    void clickAquiOpensTheCodeChangeScreenOnce()
    {
        QTest::mouseClick(access->SpeedButton1, Qt::LeftButton);
        QWidget* form8 = f->screens.Form8();
        QVERIFY(form8->isVisible());
        QVERIFY(access->isVisible());
        QTest::mouseClick(access->SpeedButton1, Qt::LeftButton);
        QCOMPARE(static_cast<QWidget*>(f->screens.Form8()), form8);
    }

    void escTogglesTheAppBarAndOtherKeysOrTheGestureHideIt()
    {
        QVERIFY(!grid->AppBar->isVisible());
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(grid->AppBar->isVisible());
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!grid->AppBar->isVisible());

        QTest::keyClick(grid, Qt::Key_Escape);
        QTest::keyClick(grid, Qt::Key_A);
        QVERIFY(!grid->AppBar->isVisible());

        // A key pressed on a control inside the window is seen once, first by the window.
        QTest::keyClick(grid->Image15, Qt::Key_Escape);
        QVERIFY(grid->AppBar->isVisible());
        grid->FormGesture(TGridForm::Gesture::Left);
        QVERIFY(grid->AppBar->isVisible());
        grid->FormGesture(TGridForm::Gesture::Up);
        QVERIFY(!grid->AppBar->isVisible());

        QTest::keyClick(grid, Qt::Key_Escape);
        grid->hide();
        grid->show();
        QVERIFY(!grid->AppBar->isVisible());
    }

    void appBarFollowsTheBottomEdge()
    {
        for (const QSize size : {QSize(1366, 768), QSize(800, 600), QSize(1920, 1080)}) {
            grid->resize(size);
            QCOMPARE(grid->AppBar->geometry(), QRect(0, size.height() - 75, size.width(), 75));
        }
    }

    void tilesOpenOneInstanceEach()
    {
        confirm(access->RadioButton2, "12345678");
        QTest::mouseClick(own<QWidget>(grid, "Image2"), Qt::LeftButton);
        TForm15* network = f->screens.Form15();
        QVERIFY(network->isVisible());
        network->hide();
        QTest::mouseClick(own<QWidget>(grid, "Panel12"), Qt::LeftButton);
        QVERIFY(network->isVisible());
        QCOMPARE(f->screens.Form15(), network);
        QCOMPARE(grid->findChildren<TForm15*>().size(), qsizetype(1));
        QCOMPARE(network->windowTitle(), QString("Rede"));
    }

    void captionPanelsWithoutAHandlerDoNothing()
    {
        confirm(access->RadioButton2, "12345678");
        const auto visibleWindows = [] {
            int count = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                count += w->isVisible() ? 1 : 0;
            return count;
        };
        const int before = visibleWindows();
        for (const char* caption :
             {"Panel19", "Panel6", "Panel25", "Panel13", "Panel23", "Panel4", "Panel5", "Panel24"})
            QTest::mouseClick(own<QWidget>(grid, caption), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(visibleWindows(), before);
    }

    void fiscalImageEmptiesTheTextAreasButTheCaptionDoesNot()
    {
        TFiscal* fiscal = f->screens.Fiscal();
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            area->setPlainText("kept");
        grid->Panel14Click();
        QVERIFY(fiscal->isVisible());
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            QCOMPARE(area->toPlainText(), QString("kept"));
        grid->Image5Click();
        for (QPlainTextEdit* area : {fiscal->XMLEntrada, fiscal->Memo1, fiscal->XMLSaida})
            QVERIFY(area->toPlainText().isEmpty());
    }

    void logsImageEmptiesTheLogAndUpdateImageResetsTheBar()
    {
        f->screens.Form14()->Memo1->setPlainText("old lines");
        grid->Image13Click();
        QVERIFY(f->screens.Form14()->isVisible());
        QVERIFY(f->screens.Form14()->Memo1->toPlainText().isEmpty());

        f->screens.Form6()->ProgressBar1->setValue(100);
        grid->Image4Click();
        QVERIFY(f->screens.Form6()->isVisible());
        QCOMPARE(f->screens.Form6()->ProgressBar1->value(), 0);
    }

    void refreshImageRunsTheStatusQueryAgain()
    {
        confirm(access->RadioButton2, "12345678");
        QTest::mouseClick(grid->Image15, Qt::LeftButton);
        QCOMPARE(f->device.calls().size(), size_t(2));
        QCOMPARE(grid->statusLog().size(), qsizetype(2));
    }

    // The access dialog's proof and the refresh image both wait for the device off the
    // user-interface thread.
    void slowStatusQueriesKeepTheWindowsAliveAndTakeNoInput()
    {
        const std::pair<QWidget*, std::function<void()>> starts[] = {
            {access, [&] { confirm(access->RadioButton2, "12345678"); }},
            {grid, [&] { QTest::mouseClick(grid->Image15, Qt::LeftButton); }},
        };
        Screens::openScreen(access);
        for (const auto& [window, start] : starts) {
            const std::size_t before = f->device.calls().size();
            f->device.delayNext("ConsultarStatusOperacional", 1500);
            const SlowCallSeen seen = duringSlowCall(
                f->device, window, window, 700,
                [&] { QTest::keyClick(grid->Image15, Qt::Key_Space); }, start);
            QVERIFY2(keptAlive(seen), qPrintable(describe(seen)));
            QCOMPARE(f->device.calls().size(), before + 1);
        }
        QCOMPARE(grid->statusLog().size(), qsizetype(2));
    }

    void statusLogIsSavedWithCrLfAndNothingOnCancel()
    {
        QTemporaryDir folder;
        const QString empty = folder.filePath("vazio");
        const QString full = folder.filePath("status log");

        f->fileAnswers = {empty};
        grid->Image6Click();
        QCOMPARE(readAll(empty), QByteArray());

        confirm(access->RadioButton2, "12345678");
        // A no-break space (A0) is saved as it is, not as a blank.
        const QByteArray serial = "N\xBA\xA0"
                                  "9";
        f->device.setFallback({QByteArray(statusOk).replace("900004019", serial).toStdString()});
        grid->Image15Click();
        f->fileAnswers = {full};
        grid->Image6Click();
        const QByteArray line = QByteArray(statusOk) + "\r\n";
        QCOMPARE(readAll(full), line + QByteArray(statusOk).replace("900004019", serial) + "\r\n");

        f->fileAnswers = {QString()}; // cancel
        grid->Image6Click();
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), qsizetype(2));
        QVERIFY(f->messages.isEmpty());
    }

    void statusLogThatCannotBeWrittenIsReportedAndKept()
    {
        confirm(access->RadioButton2, "12345678");
        f->fileAnswers = {"/nonexistent-folder/status.txt"};
        grid->Image6Click();
        QCOMPARE(f->messages.size(), qsizetype(1));
        QVERIFY(f->messages[0].contains("status.txt"));
        QCOMPARE(grid->statusLog().size(), qsizetype(1));
    }

    void informationCaptionsSitBesideTheirValues()
    {
        const std::pair<const char*, const char*> pairs[] = {
            {"Serie", "Número de Série:"},
            {"StatusLAN", "Status WAN:"},
            {"TXSefaz", "Última Trans. SF:"},
            {"VerLayout", "Versão Layoute CFe:"},
            {"DataEmissaoCert", "Data Emissão Certificado:"}};
        for (const auto& [value, caption] : pairs) {
            auto* label = own<QLabel>(grid, (std::string("Caption_") + value).c_str());
            QCOMPARE(label->text(), QString(caption));
            QCOMPARE(label->buddy(), own<QWidget>(grid, value));
        }
    }

    // Every image and caption of the menu, clicked with the mouse on the full menu: the window
    // it brings up, or none.
    void everyTileImageAndCaptionOpensItsWindow_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("windows");
        QTest::addColumn<QString>("effect");
        const std::pair<const char*, const char*> rows[] = {
            {"Image2", "Form15"},     {"Panel12", "Form15"},   {"Panel3", "Form15"},
            {"Image3", "OKRightDlg"}, {"AtivarSAT", "Form16"}, {"Panel4", ""},
            {"Image10", "Form17"},    {"Panel19", ""},         {"Panel18", ""},
            {"Image4", "Form6"},      {"Panel6", ""},          {"Panel5", ""},
            {"Image12", "Form7"},     {"Panel21", "Form7"},    {"Panel20", ""},
            {"Image14", "Form18"},    {"Panel25", ""},         {"Panel24", ""},
            {"Image7", "Form12"},     {"Panel13", ""},         {"Panel8", ""},
            {"Image5", "Fiscal"},     {"Panel14", "Fiscal"},   {"Panel7", ""},
            {"Image13", "Form14"},    {"Panel23", ""},         {"Panel22", ""},
            {"Image15", ""},          {"Image6", ""},          {"Image1", "OKRightDlg2"},
        };
        for (const auto& [control, window] : rows) {
            const QString effect = QString(control) == "Image15"  ? "status query"
                                   : QString(control) == "Image6" ? "save dialog"
                                                                  : "";
            QTest::newRow(control)
                << QString(control) << (*window ? QStringList{window} : QStringList{}) << effect;
        }
    }
    void everyTileImageAndCaptionOpensItsWindow()
    {
        QFETCH(QString, control);
        QFETCH(QStringList, windows);
        QFETCH(QString, effect);
        confirm(access->RadioButton2, "12345678");
        f->fileAnswers = {QString()}; // the status-log image's save dialog is cancelled
        grid->setAppBarVisible(TGridForm::AppBarMode::Show);
        hideWindowsBut(grid);
        QWidget* target = own<QWidget>(grid, control);
        QVERIFY2(target->isVisible(), qPrintable(control));
        // A frame is clicked on its edge, outside the image and caption it holds.
        const bool frame =
            control.startsWith("Panel") && target->findChild<ClickPanel*>() != nullptr;
        QTest::mouseClick(target, Qt::LeftButton, {},
                          frame ? QPoint(2, 2) : target->rect().center());
        QCOMPARE(shownWindows(grid), windows);
        QVERIFY(f->messages.isEmpty());
        // The two images that open no window act all the same.
        QCOMPARE(f->device.calls().size(), size_t(effect == "status query" ? 2 : 1));
        QCOMPARE(f->fileAnswers.isEmpty(), effect == "save dialog");
    }

    // The menu after sequences of confirmations, not only from a fresh start: what is on
    // screen and can be clicked.
    void menuAfterSequencesOfConfirmations_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("clickable");
        const QStringList everything = [] {
            QStringList all;
            for (const char* name : menuControlNames)
                all << name;
            return all;
        }();
        QTest::newRow("kit without code, then not activated")
            << QStringList{"kit:", "not-activated:"}
            << QStringList{"GroupBox1", "Panel3",  "Image2",    "Panel12", "Panel4",  "Image3",
                           "AtivarSAT", "Panel18", "GroupBox3", "Panel22", "Image13", "Panel23"};
        QTest::newRow("not activated, back, then a proved activated code")
            << QStringList{"not-activated:", "back", "activated:12345678"} << everything;
        QTest::newRow("kit proved, back, then activated")
            << QStringList{"kit:12345678", "back", "activated:12345678"} << everything;
        QTest::newRow("activated, then the device refuses the code on refresh")
            << QStringList{"activated:12345678", "refused-refresh"}
            << QStringList{"GroupBox1", "Panel3",    "Image2",  "Panel12", "Panel4", "Image3",
                           "AtivarSAT", "GroupBox2", "Panel24", "Image14", "Panel25"};
        QTest::newRow("activated, back, then kit")
            << QStringList{"activated:12345678", "back", "kit:12345678"}
            << QStringList{"GroupBox1", "Panel3",  "Image2",  "Panel12", "GroupBox2",
                           "Panel5",    "Image4",  "Panel6",  "Panel20", "Image12",
                           "Panel21",   "Panel24", "Image14", "Panel25", "GroupBox3",
                           "Panel8",    "Image7",  "Panel13", "Panel7",  "Image5",
                           "Panel14",   "Panel22", "Image13", "Panel23", "GroupBox4"};
    }
    void menuAfterSequencesOfConfirmations()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, clickable);
        for (const QString& step : steps) {
            if (step == "back") {
                grid->setAppBarVisible(TGridForm::AppBarMode::Show);
                QTest::mouseClick(grid->Image1, Qt::LeftButton);
            } else if (step == "refused-refresh") {
                f->device.setFallback({"000012|10001|Código de ativação inválido||"});
                QTest::mouseClick(grid->Image15, Qt::LeftButton);
            } else {
                const QString kind = step.section(':', 0, 0);
                QRadioButton* option = kind == "kit"         ? access->RadioButton3
                                       : kind == "activated" ? access->RadioButton2
                                                             : access->RadioButton1;
                confirm(option, step.section(':', 1));
            }
        }
        QStringList shown;
        for (const char* name : menuControlNames) {
            if (onScreen(name) && enabled(name))
                shown << name;
        }
        QCOMPARE(shown, clickable);
    }

    // Every picture the screens name is drawn, whichever way the build made the icons (SVG
    // read at run time, or drawn into PNG at build time where Qt SVG is missing).
    void everyImageButtonDrawsItsPicture()
    {
        const QStringList icons = QDir(":/icons").entryList();
        QCOMPARE(icons.size(), 15);
        for (const QString& name : icons) {
            const QImage image = QIcon(":/icons/" + name).pixmap(48, 48).toImage();
            QVERIFY2(!image.isNull(), qPrintable(name));
            int drawn = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    drawn += qAlpha(image.pixel(x, y)) > 0;
            QVERIFY2(drawn > 48 * 48 / 20, qPrintable(name));
        }
        confirm(access->RadioButton2, "12345678");
        grid->setAppBarVisible(TGridForm::AppBarMode::Show);
        const QList<ImageButton*> buttons = grid->findChildren<ImageButton*>();
        QVERIFY(buttons.size() >= 10);
        for (ImageButton* button : buttons)
            QVERIFY2(!button->icon().pixmap(button->iconSize()).isNull(),
                     qPrintable(button->objectName()));
    }

    // Markup in a device answer is shown as the characters it is made of.
    void deviceTextIsShownAsPlainText()
    {
        const QString markup = "<b>9000</b><img src=\"/etc/hostname\">";
        f->device.setFallback(
            {QByteArray(statusOk).replace("900004019", markup.toUtf8()).toStdString()});
        confirm(access->RadioButton2, "12345678");
        auto* serial = own<QLabel>(grid, "Serie");
        QCOMPARE(serial->text(), markup);
        QCOMPARE(accessibleName(serial), markup);
        QLabel literal;
        literal.setFont(serial->font());
        literal.setTextFormat(Qt::PlainText);
        literal.setTextInteractionFlags(serial->textInteractionFlags());
        literal.setText(markup);
        QCOMPARE(serial->sizeHint(), literal.sizeHint());
    }

    // A screen reader reads the value, and finds what it is from the caption beside it.
    void valueLabelsReadAsTheirValues()
    {
        confirm(access->RadioButton2, "12345678");
        const std::pair<const char*, const char*> rows[] = {
            {"Número de Série:", "900004019"},
            {"IP:", "192.168.001.010"},
            {"Data/Hora:", "2015/09/01 12:34:56"},
            {"Status:", "Desbloqueado"},
            {"Vencimento Certificado:", "2020/01/01"}};
        for (const auto& [captionText, valueText] : rows) {
            QLabel* caption = nullptr;
            for (QLabel* label : grid->findChildren<QLabel*>()) {
                if (label->text() == QString(captionText))
                    caption = label;
            }
            QVERIFY2(caption && caption->buddy(), captionText);
            QCOMPARE(accessibleName(caption->buddy()), QString(valueText));
            QCOMPARE(accessibleName(caption), QString(captionText));
        }
    }

    // A refused answer of a megabyte is shown cut, with a line that says so.
    void aHugeRefusalIsShownCut()
    {
        std::string answer = "000012|10001|Recusado|";
        answer.resize(1048576, 'x');
        f->device.setFallback({answer});
        confirm(access->RadioButton2, "12345678");
        QCOMPARE(f->messages.size(), qsizetype(1));
        QCOMPARE(f->messages[0],
                 QString::fromStdString(answer.substr(0, 65536)) +
                     "\n\n(Mensagem cortada: foram mostrados os primeiros 65.536 de 1.048.576 "
                     "caracteres.)");
        QVERIFY(access->isVisible());
    }

    // An answer whose values are all empty and that has no lock state: each value is read as
    // empty, not as its caption, and its caption is still the label it is found by.
    void emptyValuesReadAsEmpty()
    {
        std::string answer = "000012|10000|Resposta com Sucesso";
        answer += std::string(24, '|'); // fields 4 to 27, empty
        f->device.setFallback({answer});
        confirm(access->RadioButton2, "12345678");
        int values = 0;
        for (QLabel* caption : grid->findChildren<QLabel*>()) {
            if (!caption->objectName().startsWith("Caption_"))
                continue;
            auto* value = qobject_cast<QLabel*>(caption->buddy());
            QVERIFY2(value, qPrintable(caption->text()));
            QCOMPARE(value->text(), QString());
            QCOMPARE(accessibleName(value), QString());
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(value);
            QCOMPARE(face->role(), QAccessible::StaticText);
            // The group around it labels it too, as it does every control it holds.
            bool labelled = false;
            for (const auto& [other, relation] : face->relations(QAccessible::Label))
                labelled = labelled || other->object() == caption;
            QVERIFY2(labelled, qPrintable(caption->text()));
            QCOMPARE(accessibleName(caption), caption->text());
            ++values;
        }
        QCOMPARE(values, 22);
    }

    // The captions that act on a click are buttons for the keyboard and for screen readers.
    void actingCaptionsHaveAKeyboardPath_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::newRow("Ativar SAT, Space") << "AtivarSAT"
                                           << "Form16" << int(Qt::Key_Space);
        QTest::newRow("Fiscal, Enter") << "Panel14"
                                       << "Fiscal" << int(Qt::Key_Return);
        QTest::newRow("Rede SAT, Space") << "Panel12"
                                         << "Form15" << int(Qt::Key_Space);
        QTest::newRow("Teste, Enter") << "Panel21"
                                      << "Form7" << int(Qt::Key_Enter);
    }
    void actingCaptionsHaveAKeyboardPath()
    {
        QFETCH(QString, caption);
        QFETCH(QString, window);
        QFETCH(int, key);
        confirm(access->RadioButton2, "12345678");
        f->screens.Fiscal()->XMLEntrada->setPlainText("kept");
        hideWindowsBut(grid);
        auto* panel = own<ClickPanel>(grid, caption.toUtf8().constData());

        // Reached with Tab from the tile's own image.
        grid->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(grid));
        QWidget* image = panel->parentWidget()->findChild<ImageButton*>();
        image->setFocus();
        QTest::keyClick(image, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(panel));
        QTest::keyClick(panel, Qt::Key(key));
        QCOMPARE(shownWindows(grid), QStringList{window});
        QCOMPARE(f->screens.Fiscal()->XMLEntrada->toPlainText(), QString("kept"));

        hideWindowsBut(grid);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(panel);
        QCOMPARE(face->role(), QAccessible::Button);
        QCOMPARE(face->text(QAccessible::Name), panel->label()->text());
        face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(shownWindows(grid), QStringList{window});
    }

    void captionsThatDoNothingAreNotButtons()
    {
        for (const char* name : {"Panel19", "Panel6", "Panel25", "Panel13", "Panel23"}) {
            auto* panel = own<ClickPanel>(grid, name);
            QCOMPARE(panel->focusPolicy(), Qt::NoFocus);
            QVERIFY(QAccessible::queryAccessibleInterface(panel)->role() != QAccessible::Button);
        }
    }

    // "Click Aqui" comes after the options in the tab order, and Enter on it opens the code
    // change rather than confirming the dialog.
    void clickAquiHasAKeyboardPath()
    {
        access->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(access));
        access->RadioButton1->setFocus();
        QTest::keyClick(access->RadioButton1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(access->SpeedButton1));
        QTest::keyClick(access->SpeedButton1, Qt::Key_Return);
        QVERIFY(f->screens.Form8()->isVisible());
        QVERIFY(access->isVisible());
        QVERIFY(f->device.calls().empty());
        QVERIFY(f->messages.isEmpty());
        QCOMPARE(access->Label2->buddy(), static_cast<QWidget*>(access->SpeedButton1));
    }
};

int main(int argc, char** argv)
{
    return runUiTest<GridFormTest>(argc, argv);
}

#include "GridFormTest.moc"
