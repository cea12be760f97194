#include "AppContext.h"
#include "Groupeditems.h"
#include "MessageBoxes.h"
#include "SatClient.h"
#include "Screens.h"
#include "Style.h"
#include "VexorApplication.h"

#include <QScreen>

#include <exception>

int main(int argc, char* argv[])
{
    VexorApplication application(argc, argv);
    try {
        initUiResources();
        applyMetropolisDark(application);

        AppContext context;
        SatClient client(context);
        Screens screens(context, client);

        TGridForm* mainWindow = screens.GridForm();
        // Without a window manager a full-screen request alone keeps the window's own size.
        mainWindow->setGeometry(mainWindow->screen()->geometry());
        mainWindow->showFullScreen();
        // The access dialog shows itself, in front of the main window, as it is created.
        screens.createAll();
        return VexorApplication::exec();
    } catch (const std::exception& error) {
        MessageBoxes::error(nullptr, QString::fromUtf8(error.what()));
    } catch (...) {
        MessageBoxes::error(nullptr, QString());
    }
    return 0;
}
