// Runs a real program and ends it the way the test names, so the test can see the process's
// exit status: "activated" or "kit" close the access dialog with that option chosen; "sair"
// clicks the app bar's exit image, "close-main" closes the main window and "code-change-sair"
// opens the full-screen code change from the dialog and clicks its exit image, all while the
// access dialog is open as activated with no code. Message boxes are really shown and
// answered from a timer.

#include "Acesso.h"
#include "AppContext.h"
#include "Changecod.h"
#include "Groupeditems.h"
#include "SatClient.h"
#include "Screens.h"
#include "Tiles.h"
#include "VexorApplication.h"

#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    VexorApplication application(argc, argv);
    AppContext context;
    SatClient client(context);
    Screens screens(context, client);
    screens.createAll();

    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::printf("box: %s\n", box->text().toUtf8().constData());
            std::fflush(stdout);
            box->accept();
        }
    });
    answerer.start(20);

    TOKRightDlg2* access = screens.OKRightDlg2();
    TGridForm* grid = screens.GridForm();
    grid->show();
    const QString how = argc > 1 ? QString(argv[1]) : QString("kit");
    (how == "kit" ? access->RadioButton3 : access->RadioButton2)->setChecked(true);
    QTimer::singleShot(0, [&screens, access, grid, how] {
        if (how == "sair") {
            QTest::keyClick(grid, Qt::Key_Escape);
            QTest::mouseClick(grid->Image11, Qt::LeftButton);
            std::printf("sair\n");
        } else if (how == "code-change-sair") {
            QTest::mouseClick(access->SpeedButton1, Qt::LeftButton);
            TForm8* change = screens.Form8();
            QTest::keyClick(change, Qt::Key_Escape);
            QTest::mouseClick(change->CloseButton, Qt::LeftButton);
            std::printf("code change sair\n");
        } else if (how == "close-main") {
            grid->close();
            std::printf("main closed\n");
        } else {
            access->close();
            std::printf("closed\n");
            QApplication::quit();
        }
        std::fflush(stdout);
    });
    return VexorApplication::exec();
}
