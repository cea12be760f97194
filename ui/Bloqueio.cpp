#include "Bloqueio.h"

TForm12::TForm12(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Bloqueio/Desbloqueio VEXOR", QSize(480, 220))
{
    setObjectName("Form12");
    setFont(tahoma());
}
