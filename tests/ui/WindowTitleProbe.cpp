// Shows every window of the program on a real X display and reads back the title the window
// system was given (_NET_WM_NAME), which is what the title bar shows: it must be the window's
// caption and nothing else. Prints one line per window; ends with status 1 on any difference.

#include "AppContext.h"
#include "Groupeditems.h"
#include "SatClient.h"
#include "Screens.h"
#include "Style.h"
#include "VexorApplication.h"

#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

QString titleOnServer(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name)
{
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return "<no reply>";
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

} // namespace

int main(int argc, char** argv)
{
    VexorApplication application(argc, argv);
    auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        std::fprintf(stderr, "needs an X display and the xcb platform, not %s\n",
                     qPrintable(QGuiApplication::platformName()));
        return 2;
    }
    initUiResources();
    AppContext context;
    SatClient client(context);
    Screens screens(context, client);
    screens.createAll();

    QList<QWidget*> windows{screens.GridForm()};
    for (QWidget* child : screens.GridForm()->findChildren<QWidget*>()) {
        if (child->isWindow() && !child->windowTitle().isEmpty())
            windows.append(child);
    }
    for (QWidget* window : windows) {
        window->show();
        if (!QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "%s was never shown\n", qPrintable(window->objectName()));
            return 1;
        }
    }

    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t netWmName = atom(connection, "_NET_WM_NAME");
    int differences = 0;
    for (QWidget* window : windows) {
        const QString shown =
            titleOnServer(connection, static_cast<xcb_window_t>(window->winId()), netWmName);
        const bool same = shown == window->windowTitle();
        differences += same ? 0 : 1;
        std::printf("%s %s: \"%s\"%s\n", same ? "ok  " : "DIFF", qPrintable(window->objectName()),
                    shown.toUtf8().constData(),
                    same ? "" : qPrintable(" (caption \"" + window->windowTitle() + "\")"));
    }
    // The main window and the fourteen screens.
    if (windows.size() < 15) {
        std::printf("only %lld windows found\n", static_cast<long long>(windows.size()));
        return 1;
    }
    return differences == 0 ? 0 : 1;
}
