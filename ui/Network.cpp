#include "Network.h"

TForm15::TForm15(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Rede", QSize(640, 420))
{
    setObjectName("Form15");
    setFont(tahoma());
}
