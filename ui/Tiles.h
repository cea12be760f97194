#pragma once

#include <QFrame>
#include <QToolButton>

class QLabel;

// An image button: a picture with an accessible name and the same text as tool tip.
class ImageButton : public QToolButton {
    Q_OBJECT
public:
    ImageButton(const QString& objectName, const QString& icon, const QString& name, int iconSize,
                QWidget* parent);
};

// A panel that reports clicks: a tile frame, or a tile's caption.
class ClickPanel : public QFrame {
    Q_OBJECT
public:
    ClickPanel(const QString& objectName, const QString& caption, QWidget* parent);
    QLabel* label() const { return label_; }

    // A caption that acts on a click is also a button for the keyboard (Tab, then Space or
    // Enter) and for screen readers.
    void setActionable(bool actionable);
    bool isActionable() const { return actionable_; }
    void click() { emit clicked(); }

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* label_ = nullptr;
    bool actionable_ = false;
};

// One tile of the main menu: a frame holding an image button over its caption panel.
struct Tile {
    ClickPanel* panel;
    ImageButton* image;
    ClickPanel* caption;
};
Tile makeTile(const QString& panel, const QString& image, const QString& caption,
              const QString& text, const QString& icon, const char* colour, QWidget* parent);
