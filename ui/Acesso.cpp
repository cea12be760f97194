#include "Acesso.h"

#include "Changecod.h"
#include "Fields.h"
#include "Groupeditems.h"
#include "Screens.h"
#include "VexorApplication.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

TOKRightDlg2::TOKRightDlg2(Screens& screens, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), screens_(screens),
      messages_(this), confirmation_(screens.context, screens.GridForm()->menu(),
                                     [&screens] { return screens.GridForm()->refreshStatus(); })
{
    setObjectName("OKRightDlg2");
    setWindowTitle("TORVAL VEXOR Manager");
    setModal(false);
    endProcess = [](int status) {
        std::fflush(nullptr);
        std::_Exit(status);
    };

    const QString codeCaption = fromUtf8(AccessConfirmation::codeCaption);
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::StyledPanel);
    Label1 = new QLabel(codeCaption, Bevel1);
    Label1->setObjectName("Label1");
    codATV = new QLineEdit(Bevel1);
    codATV->setObjectName("codATV");
    Label1->setBuddy(codATV);
    codATV->setAccessibleName(codeCaption);
    auto* bevelLayout = new QVBoxLayout(Bevel1);
    bevelLayout->addWidget(Label1);
    bevelLayout->addWidget(codATV);

    Label2 = new QLabel("Esqueceu o código de ativação ?", this);
    Label2->setObjectName("Label2");
    Label2->setStyleSheet("color: #ff5a5a;");
    SpeedButton1 = new QPushButton("Click Aqui", this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setFlat(true);
    // Reached with Tab after the options; Enter on it opens the code change, not OK.
    SpeedButton1->setAutoDefault(true);
    SpeedButton1->setFocusPolicy(Qt::TabFocus);
    SpeedButton1->setCursor(Qt::PointingHandCursor);
    Label2->setBuddy(SpeedButton1);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);

    RadioButton3 = new QRadioButton("VEXOR KIT", this);
    RadioButton3->setObjectName("RadioButton3");
    RadioButton2 = new QRadioButton("VEXOR Produção (Ativado)", this);
    RadioButton2->setObjectName("RadioButton2");
    RadioButton1 = new QRadioButton("VEXOR Produção (não ativado)", this);
    RadioButton1->setObjectName("RadioButton1");
    RadioButton3->setChecked(true);

    connect(Button1, &QPushButton::clicked, this, &TOKRightDlg2::OKBtnClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TOKRightDlg2::SpeedButton1Click);
    connect(RadioButton1, &QRadioButton::clicked, this, &TOKRightDlg2::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::clicked, this, &TOKRightDlg2::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::clicked, this, &TOKRightDlg2::RadioButton3Click);

    auto* forgot = new QHBoxLayout;
    forgot->addWidget(Label2);
    forgot->addWidget(SpeedButton1);
    forgot->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(Bevel1);
    left->addLayout(forgot);
    auto* options = new QVBoxLayout;
    options->addWidget(RadioButton3);
    options->addWidget(RadioButton2);
    options->addWidget(RadioButton1);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(Button1, 0, Qt::AlignTop);
    layout->addSpacing(8);
    layout->addLayout(options);

    setTabOrder(codATV, Button1);
    setTabOrder(Button1, RadioButton2);
    setTabOrder(RadioButton2, RadioButton3);
    setTabOrder(RadioButton3, RadioButton1);
    setTabOrder(RadioButton1, SpeedButton1);

    setFixedSize(layout->sizeHint().expandedTo(QSize(688, 129)));

    // Shown at once, in front of the main window, as soon as it exists.
    Screens::openScreen(this);
}

DeviceKind TOKRightDlg2::selectedKind() const
{
    if (RadioButton2->isChecked())
        return DeviceKind::ProductionActivated;
    if (RadioButton1->isChecked())
        return DeviceKind::ProductionNotActivated;
    return DeviceKind::Kit;
}

void TOKRightDlg2::OKBtnClick()
{
    const QByteArray typed = codATV->text().toUtf8();
    const AccessConfirmation::Outcome outcome = confirmation_.confirm(
        selectedKind(), std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())),
        codATV->isEnabled());
    if (outcome.message)
        messages_.showMessage(*outcome.message);
    if (outcome.closeDialog)
        close();
    codATV->setEnabled(outcome.codeFieldEnabled);
}

void TOKRightDlg2::RadioButton1Click()
{
    codATV->setEnabled(RadioButton2->isChecked());
}

void TOKRightDlg2::RadioButton2Click()
{
    codATV->setEnabled(RadioButton2->isChecked());
}

void TOKRightDlg2::RadioButton3Click()
{
    codATV->setEnabled(true);
}

void TOKRightDlg2::SpeedButton1Click()
{
    Screens::openScreen(screens_.Form8());
}

void TOKRightDlg2::FormClose()
{
    if (const auto message = confirmation_.endOnClose(selectedKind())) {
        messages_.showMessage(*message);
        endProcess(1);
    }
}

void TOKRightDlg2::closeEvent(QCloseEvent* event)
{
    // Only the operator closing this dialog runs the check, not the program ending.
    if (!VexorApplication::isEnding())
        FormClose();
    event->accept();
}
