#include "Changecod.h"

TForm8::TForm8(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Trocar Código Ativação", QSize(640, 400))
{
    setObjectName("Form8");
}
