#pragma once

#include <QPointer>

#include <memory>

class AppContext;
class SatClient;
class QWidget;
class TGridForm;
class TForm6;
class TForm7;
class TOKRightDlg2;
class TOKRightDlg;
class TForm8;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TFiscal;
class TForm15;
class TForm16;
class TForm17;
class TForm18;

// Every screen of the program, one instance each, created once and kept until exit. A screen
// is created on first use if it does not exist yet, with the main window as its owner.
class Screens {
public:
    Screens(AppContext& context, SatClient& client);
    ~Screens();
    Screens(const Screens&) = delete;
    Screens& operator=(const Screens&) = delete;

    // What the program shows at start: the main window full-screen and, created after it, the
    // access dialog, which shows itself in front. The other screens wait for their first
    // opening, so that the access dialog is on screen sooner and the program smaller.
    void start();

    // Creates every screen in the start-up order; the access dialog shows itself.
    void createAll();

    TGridForm* GridForm();
    TForm6* Form6();
    TForm7* Form7();
    TOKRightDlg2* OKRightDlg2();
    TOKRightDlg* OKRightDlg();
    TForm8* Form8();
    TForm11* Form11();
    TForm12* Form12();
    TForm13* Form13();
    TForm14* Form14();
    TFiscal* Fiscal();
    TForm15* Form15();
    TForm16* Form16();
    TForm17* Form17();
    TForm18* Form18();

    // Shows a screen modeless and brings it to the front.
    static void openScreen(QWidget* screen);

    AppContext& context;
    SatClient& client;

private:
    template <typename T> T* get(QPointer<T>& slot);

    std::unique_ptr<TGridForm> gridForm_;
    QPointer<TForm6> form6_;
    QPointer<TForm7> form7_;
    QPointer<TOKRightDlg2> okRightDlg2_;
    QPointer<TOKRightDlg> okRightDlg_;
    QPointer<TForm8> form8_;
    QPointer<TForm11> form11_;
    QPointer<TForm12> form12_;
    QPointer<TForm13> form13_;
    QPointer<TForm14> form14_;
    QPointer<TFiscal> fiscal_;
    QPointer<TForm15> form15_;
    QPointer<TForm16> form16_;
    QPointer<TForm17> form17_;
    QPointer<TForm18> form18_;
};
