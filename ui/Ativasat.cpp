#include "Ativasat.h"

TForm16::TForm16(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Ativar SAT", QSize(560, 300))
{
    setObjectName("Form16");
    setFont(tahoma());
}
