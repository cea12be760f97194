#include "Testesat.h"

TForm7::TForm7(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Testes SAT", QSize(447, 202))
{
    setObjectName("Form7");
    setFont(tahoma());
}
