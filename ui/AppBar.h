#pragma once

#include <QFrame>

class QHBoxLayout;

// The bar of a full-screen window: 75 pixels high along the bottom edge, as wide as the
// window, hidden whenever the window is shown. Esc shows or hides it in turn; any other key
// hides it. An upward swipe shows or hides it in turn and any other swipe hides it, or, on a
// window that takes the upward swipe alone, that swipe hides it and the others do nothing.
// The window hands it its keys (see KeyPreview).
class AppBar : public QFrame {
    Q_OBJECT
public:
    enum class Mode { Hide, Show, Toggle };
    enum class Gesture { Up, Down, Left, Right };

    static constexpr int barHeight = 75;

    enum class Swipes { UpToggles, OnlyUpHides };

    explicit AppBar(QWidget* window, Swipes swipes = Swipes::UpToggles);

    // Controls at the left end and at the right end of the bar.
    void addLeft(QWidget* control);
    void addRight(QWidget* control);

    void setBarVisible(Mode mode);
    void keyDown(int key);
    void gesture(Gesture gesture);
    void layoutInWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* layout_;
    Swipes swipes_;
    int rightStart_ = 0;
};
