#include "Update.h"

#include <QProgressBar>
#include <QVBoxLayout>

TForm6::TForm6(Screens& screens, QWidget* owner)
    : Screen(screens, owner, "Atualiza Software SAT", QSize(447, 202))
{
    setObjectName("Form6");
    setFont(tahoma());
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setFixedWidth(150);
    ProgressBar1->setAccessibleName("Progresso da atualização");
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(ProgressBar1, 0, Qt::AlignHCenter);
}
