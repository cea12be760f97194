#pragma once

#include "DeviceCall.h"
#include "TestDevice.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <functional>

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// What a screen showed while its device call was slow.
struct SlowCallSeen {
    bool waiting = false;   // the call was out, at the device, through the one road
    bool stillOpen = false; // closing the window was held back
    int ticks = 0;          // of a 100 ms timer: the event loop ran
    int paints = 0;         // of `painted`
};

// Starts the call and, `afterMs` into it, repaints `painted`, lets the operator try what
// `tries` does, and tries to close `window`.
inline SlowCallSeen duringSlowCall(TestDevice& device, QWidget* window, QWidget* painted,
                                   int afterMs, const std::function<void()>& tries,
                                   const std::function<void()>& start)
{
    SlowCallSeen seen;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++seen.ticks; });
    ticker.start(100);
    PaintCounter paints(painted);
    QTimer::singleShot(afterMs, [&] {
        seen.waiting = device.waitingCalls() == 1 && devicecall::running();
        painted->update();
        tries();
        window->close();
        seen.stillOpen = window->isVisible();
    });
    start();
    ticker.stop();
    seen.paints = paints.paints;
    return seen;
}
