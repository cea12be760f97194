#include "VexorApplication.h"

#include "MessageBoxes.h"

#include <QKeyEvent>
#include <QWidget>

#include <exception>

namespace {
bool ending = false;
}

void VexorApplication::endEventLoop()
{
    ending = true;
    QApplication::quit();
}

bool VexorApplication::isEnding()
{
    return ending;
}

VexorApplication::VexorApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: the platform would add it to every title bar after the caption.
    setApplicationName("TORVAL VEXOR Manager");
}

bool VexorApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        // notify runs once per key press; the propagation to parents happens inside it.
        if (event->type() == QEvent::KeyPress && receiver->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(receiver)->window();
            if (auto* preview = dynamic_cast<KeyPreview*>(window))
                preview->previewKey(static_cast<QKeyEvent*>(event));
        }
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        MessageBoxes::error(activeWindow(), QString::fromUtf8(error.what()));
    } catch (...) {
        MessageBoxes::error(activeWindow(), QString());
    }
    return false;
}
