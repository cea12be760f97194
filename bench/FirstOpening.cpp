// How long each screen takes to come up the first time it is opened, from the call that opens
// it until its first paint is done:
//
//     vexor_first_opening eager|lazy
//
// starts as the manager does (main window and access dialog), with every other screen created
// at once ("eager") or left to its first opening ("lazy"), then opens the other screens one
// after the other in the start-up order, and prints one line per screen: NAME MILLISECONDS.

#include "Acesso.h"
#include "AppContext.h"
#include "Ativasat.h"
#include "Bloqueio.h"
#include "Changecod.h"
#include "Checklist.h"
#include "Csr.h"
#include "Extrairlog.h"
#include "Msg.h"
#include "Network.h"
#include "Sale.h"
#include "SatClient.h"
#include "Screens.h"
#include "Sign.h"
#include "Style.h"
#include "Testesat.h"
#include "Trocarcodatv.h"
#include "Update.h"
#include "VexorApplication.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// Ends the loop once the window has finished its first paint: one pass paints the window and
// its controls, and the loop ends after that pass.
class FirstPaint : public QObject {
public:
    FirstPaint(QEventLoop& loop, QWidget* window) : loop_(loop), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            // Queued, so that the loop ends after this paint, not before it.
            QTimer::singleShot(0, &loop_, &QEventLoop::quit);
        }
        return false;
    }

private:
    QEventLoop& loop_;
    QWidget* window_;
};

// Runs the event loop until nothing has come for a while, so that one measurement does not
// pay for the work the previous one left queued.
void settle()
{
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    const bool eager = argc > 1 && std::strcmp(argv[1], "eager") == 0;
    if (argc < 2 || (!eager && std::strcmp(argv[1], "lazy") != 0)) {
        std::fprintf(stderr, "usage: %s eager|lazy\n", argv[0]);
        return 2;
    }
    VexorApplication application(argc, argv);
    initUiResources();
    applyMetropolisDark(application);
    AppContext context;
    SatClient client(context);
    Screens screens(context, client);
    screens.start();
    if (eager)
        screens.createAll();
    settle();

    const std::pair<const char*, std::function<QWidget*()>> openings[] = {
        {"Form6", [&] { return screens.Form6(); }},
        {"Form7", [&] { return screens.Form7(); }},
        {"OKRightDlg", [&] { return screens.OKRightDlg(); }},
        {"Form8", [&] { return screens.Form8(); }},
        {"Form11", [&] { return screens.Form11(); }},
        {"Form12", [&] { return screens.Form12(); }},
        {"Form13", [&] { return screens.Form13(); }},
        {"Form14", [&] { return screens.Form14(); }},
        {"Fiscal", [&] { return screens.Fiscal(); }},
        {"Form15", [&] { return screens.Form15(); }},
        {"Form16", [&] { return screens.Form16(); }},
        {"Form17", [&] { return screens.Form17(); }},
        {"Form18", [&] { return screens.Form18(); }},
    };
    for (const auto& [name, screen] : openings) {
        QEventLoop loop;
        QTimer giveUp;
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);

        QElapsedTimer clock;
        clock.start();
        // Nothing is painted before the loop below runs, so the filter can wait for creation.
        QWidget* window = screen();
        Screens::openScreen(window);
        FirstPaint firstPaint(loop, window);
        application.installEventFilter(&firstPaint);
        giveUp.start(5000);
        loop.exec();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        application.removeEventFilter(&firstPaint);
        if (!giveUp.isActive()) {
            std::fprintf(stderr, "%s was not painted within 5 s\n", name);
            return 1;
        }
        std::printf("%s %.2f\n", name, ms);
        std::fflush(stdout);
        window->hide();
        settle();
    }
    return 0;
}
