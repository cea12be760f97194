#pragma once

#include <QWidget>

class Screens;

// A window of the program other than the main window: a separate modeless window owned by the
// main window, titled with its caption, at its client size.
class Screen : public QWidget {
    Q_OBJECT
public:
    Screen(Screens& screens, QWidget* owner, const QString& caption, QSize clientSize);

protected:
    Screens& screens_;
};

// The font the smaller screens are drawn in; the platform's sans-serif stands in where it is
// missing.
QFont tahoma();
