#pragma once

#include <QWidget>

class QLabel;
class QFrame;

// The main window: a frameless, full-screen tile menu under a title bar.
class TGridForm : public QWidget {
    Q_OBJECT
public:
    explicit TGridForm(QWidget* parent = nullptr);

private:
    QFrame* Panel1;
    QLabel* Label1;
};
