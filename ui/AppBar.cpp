#include "AppBar.h"

#include <QEvent>
#include <QGestureEvent>
#include <QHBoxLayout>
#include <QSwipeGesture>

AppBar::AppBar(QWidget* window, Swipes swipes) : QFrame(window), swipes_(swipes)
{
    setObjectName("AppBar");
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(24, 4, 24, 4);
    layout_->addStretch(1);
    hide();
    window->grabGesture(Qt::SwipeGesture);
    window->installEventFilter(this);
    layoutInWindow();
}

void AppBar::addLeft(QWidget* control)
{
    layout_->insertWidget(rightStart_++, control);
}

void AppBar::addRight(QWidget* control)
{
    layout_->addWidget(control);
}

void AppBar::setBarVisible(Mode mode)
{
    if (mode == Mode::Toggle)
        mode = isVisible() ? Mode::Hide : Mode::Show;
    if (mode == Mode::Hide) {
        hide();
        return;
    }
    show();
    raise();
}

void AppBar::keyDown(int key)
{
    setBarVisible(key == Qt::Key_Escape ? Mode::Toggle : Mode::Hide);
}

void AppBar::gesture(Gesture gesture)
{
    if (swipes_ == Swipes::OnlyUpHides) {
        if (gesture == Gesture::Up)
            setBarVisible(Mode::Hide);
        return;
    }
    setBarVisible(gesture == Gesture::Up ? Mode::Toggle : Mode::Hide);
}

void AppBar::layoutInWindow()
{
    const QWidget* window = parentWidget();
    setGeometry(0, window->height() - barHeight, window->width(), barHeight);
}

bool AppBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != parentWidget())
        return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        layoutInWindow();
        break;
    case QEvent::Show:
        setBarVisible(Mode::Hide);
        break;
    case QEvent::Gesture:
        if (auto* swipe = static_cast<QSwipeGesture*>(
                static_cast<QGestureEvent*>(event)->gesture(Qt::SwipeGesture))) {
            if (swipe->state() != Qt::GestureFinished)
                return true;
            if (swipe->verticalDirection() == QSwipeGesture::Up)
                gesture(Gesture::Up);
            else if (swipe->verticalDirection() == QSwipeGesture::Down)
                gesture(Gesture::Down);
            else if (swipe->horizontalDirection() == QSwipeGesture::Left)
                gesture(Gesture::Left);
            else
                gesture(Gesture::Right);
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}
