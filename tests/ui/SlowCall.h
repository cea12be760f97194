#pragma once

#include "DeviceCall.h"
#include "ScreenChecks.h"
#include "TestDevice.h"

#include <QAbstractButton>
#include <QEvent>
#include <QString>
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

// Alive all through a call of a second or more: the call out at the device through the one
// road, the window painted and closing it held back, a timer ticking.
inline bool keptAlive(const SlowCallSeen& seen)
{
    return seen.waiting && seen.stillOpen && seen.ticks >= 10 && seen.paints > 0;
}

inline QString describe(const SlowCallSeen& seen)
{
    return QString("waiting %1, still open %2, %3 ticks, %4 paints")
        .arg(seen.waiting)
        .arg(seen.stillOpen)
        .arg(seen.ticks)
        .arg(seen.paints);
}

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

// The usual trial: a click on `run` starts the call; meanwhile the operator picks `option` and
// presses `run` again from the keyboard.
inline SlowCallSeen duringSlowCall(TestDevice& device, QWidget* window, QWidget* painted,
                                   QAbstractButton* option, QWidget* run)
{
    return duringSlowCall(
        device, window, painted, 700,
        [&] {
            choose(option);
            QTest::keyClick(run, Qt::Key_Space);
        },
        [&] { QTest::mouseClick(run, Qt::LeftButton); });
}
