#include "Groupeditems.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName("TORVAL VEXOR Manager");

    TGridForm mainWindow;
    // Without a window manager a full-screen request alone keeps the window's own size.
    mainWindow.setGeometry(mainWindow.screen()->geometry());
    mainWindow.showFullScreen();
    return QApplication::exec();
}
