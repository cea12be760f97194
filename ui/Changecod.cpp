#include "Changecod.h"

TForm8::TForm8(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Trocar Código Ativação", QSize(1024, 768))
{
    setObjectName("Form8");
    setWindowState(Qt::WindowFullScreen);
}
