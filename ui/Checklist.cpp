#include "Checklist.h"

#include "Ativasat.h"
#include "Screens.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const QStringList TOKRightDlg::lines = {
    "Antes do processo de ativação, certifique-se que:",
    "1) O VEXOR está conectado a rede local através da porta WAN",
    "2) O LED ETH no painel frontal está aceso",
    "3) As portas TCP 443 e UDP 123 estão liberadas no firewal ",
    "4) O SAT está vinculado na SEFAZ ao CNPJ do contribuinte",
    "Em caso de dúvida, consulte a seção 4 no manual de instalação do SAT",
};

TOKRightDlg::TOKRightDlg(Screens& screens, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), screens_(screens)
{
    setObjectName("OKRightDlg");
    setWindowTitle("TORVAL VEXOR Manager");
    setModal(false);

    auto* frame = new QFrame(this);
    frame->setObjectName("Bevel1");
    frame->setFrameShape(QFrame::StyledPanel);
    auto* text = new QVBoxLayout(frame);
    for (int i = 0; i < lines.size(); ++i) {
        auto* label = new QLabel(lines[i], frame);
        label->setObjectName(QString("Label%1").arg(i + 1));
        text->addWidget(label);
    }

    OKBtn = new QPushButton("OK", this);
    OKBtn->setObjectName("OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton("Cancel", this);
    CancelBtn->setObjectName("CancelBtn");
    connect(OKBtn, &QPushButton::clicked, this, &TOKRightDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &TOKRightDlg::CancelBtnClick);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addLayout(buttons);
    setFixedSize(layout->sizeHint().expandedTo(QSize(501, 179)));
}

void TOKRightDlg::OKBtnClick()
{
    Screens::openScreen(screens_.Form16());
    close();
}

void TOKRightDlg::CancelBtnClick()
{
    close();
}
