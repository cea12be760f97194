#include "Screens.h"

#include "Acesso.h"
#include "Ativasat.h"
#include "Bloqueio.h"
#include "Changecod.h"
#include "Checklist.h"
#include "Csr.h"
#include "Extrairlog.h"
#include "Groupeditems.h"
#include "Msg.h"
#include "Network.h"
#include "Sale.h"
#include "Sign.h"
#include "Testesat.h"
#include "Trocarcodatv.h"
#include "Update.h"

#include <QScreen>

Screens::Screens(AppContext& appContext, SatClient& satClient)
    : context(appContext), client(satClient)
{
}

Screens::~Screens() = default;

void Screens::start()
{
    TGridForm* mainWindow = GridForm();
    // Without a window manager a full-screen request alone keeps the window's own size.
    mainWindow->setGeometry(mainWindow->screen()->geometry());
    mainWindow->showFullScreen();
    OKRightDlg2();
}

void Screens::createAll()
{
    GridForm();
    Form6();
    Form7();
    OKRightDlg2();
    OKRightDlg();
    Form8();
    Form11();
    Form12();
    Form13();
    Form14();
    Fiscal();
    Form15();
    Form16();
    Form17();
    Form18();
}

template <typename T> T* Screens::get(QPointer<T>& slot)
{
    if (!slot)
        slot = new T(*this, GridForm());
    return slot;
}

TGridForm* Screens::GridForm()
{
    if (!gridForm_)
        gridForm_ = std::make_unique<TGridForm>(*this);
    return gridForm_.get();
}

// One line each: the accessors read as a table.
// clang-format off
TForm6* Screens::Form6() { return get(form6_); }
TForm7* Screens::Form7() { return get(form7_); }
TOKRightDlg2* Screens::OKRightDlg2() { return get(okRightDlg2_); }
TOKRightDlg* Screens::OKRightDlg() { return get(okRightDlg_); }
TForm8* Screens::Form8() { return get(form8_); }
TForm11* Screens::Form11() { return get(form11_); }
TForm12* Screens::Form12() { return get(form12_); }
TForm13* Screens::Form13() { return get(form13_); }
TForm14* Screens::Form14() { return get(form14_); }
TFiscal* Screens::Fiscal() { return get(fiscal_); }
TForm15* Screens::Form15() { return get(form15_); }
TForm16* Screens::Form16() { return get(form16_); }
TForm17* Screens::Form17() { return get(form17_); }
TForm18* Screens::Form18() { return get(form18_); }
// clang-format on

void Screens::openScreen(QWidget* screen)
{
    screen->show();
    screen->raise();
    screen->activateWindow();
}
