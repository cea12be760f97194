#include "Groupeditems.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

TGridForm::TGridForm(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setObjectName("GridForm");
    setWindowTitle("TORVAL VEXOR Manager");

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(55);
    Label1 = new QLabel("TORVAL VEXOR Manager V.: 1.0.0.4", Panel1);
    Label1->setObjectName("Label1");
    QFont titleFont = Label1->font();
    titleFont.setPointSize(20);
    Label1->setFont(titleFont);
    auto* titleLayout = new QHBoxLayout(Panel1);
    titleLayout->setContentsMargins(24, 0, 24, 0);
    titleLayout->addWidget(Label1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);
    layout->addStretch(1);
}
