#include "Sign.h"

TForm17::TForm17(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Associar Assinatura", QSize(624, 234))
{
    setObjectName("Form17");
    setFont(tahoma());
}
