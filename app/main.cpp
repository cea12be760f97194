#include "AppContext.h"
#include "MessageBoxes.h"
#include "SatClient.h"
#include "Screens.h"
#include "Style.h"
#include "VexorApplication.h"

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
        screens.start();
        return VexorApplication::exec();
    } catch (const std::exception& error) {
        MessageBoxes::error(nullptr, QString::fromUtf8(error.what()));
    } catch (...) {
        MessageBoxes::error(nullptr, QString());
    }
    return 0;
}
