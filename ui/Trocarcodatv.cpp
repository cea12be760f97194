#include "Trocarcodatv.h"

TForm18::TForm18(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Trocar Código Ativação", QSize(480, 300))
{
    setObjectName("Form18");
    setFont(tahoma());
}
