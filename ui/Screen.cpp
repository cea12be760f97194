#include "Screen.h"

#include "Screens.h"

#include <QFont>

Screen::Screen(Screens& screens, QWidget* owner, const QString& caption, QSize clientSize)
    : QWidget(owner, Qt::Window), screens_(screens)
{
    setWindowTitle(caption);
    resize(clientSize);
}

QFont tahoma()
{
    QFont font("Tahoma");
    font.setStyleHint(QFont::SansSerif);
    return font;
}
