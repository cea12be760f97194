#include "DeviceCall.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>

#include <exception>
#include <memory>

namespace devicecall {

namespace {

bool busy = false;

// Swallows what the operator does while the device works; painting, timers and the rest go on.
class InputBlocker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Gesture:
        case QEvent::ContextMenu:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        case QEvent::Close:
            // A window closed now would leave the operator without the outcome.
            event->ignore();
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

bool running()
{
    return busy;
}

bool runOffUiThread(const std::function<void()>& work)
{
    if (busy)
        return false;
    busy = true;
    InputBlocker blocker;
    qApp->installEventFilter(&blocker);
    QApplication::setOverrideCursor(Qt::BusyCursor);

    std::exception_ptr error;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
    }));
    // Queued to this thread: delivered once the loop below runs, however fast the work is.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();

    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(&blocker);
    busy = false;
    if (error)
        std::rethrow_exception(error);
    return true;
}

} // namespace devicecall
