// Closes the access dialog of a real program with the option the test names, so the test can
// see the process's exit status. Message boxes are really shown and answered from a timer.

#include "AppContext.h"
#include "Acesso.h"
#include "SatClient.h"
#include "Screens.h"
#include "VexorApplication.h"

#include <QMessageBox>
#include <QRadioButton>
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
    const bool activated = argc > 1 && QString(argv[1]) == "activated";
    (activated ? access->RadioButton2 : access->RadioButton3)->setChecked(true);
    QTimer::singleShot(0, [access] {
        access->close();
        std::printf("closed\n");
        QApplication::quit();
    });
    return VexorApplication::exec();
}
