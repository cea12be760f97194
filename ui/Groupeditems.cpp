#include "Groupeditems.h"

#include "AccessibleNames.h"
#include "Acesso.h"
#include "Ativasat.h"
#include "Bloqueio.h"
#include "Checklist.h"
#include "DeviceCall.h"
#include "Extrairlog.h"
#include "Fields.h"
#include "FileDialogs.h"
#include "Network.h"
#include "Sale.h"
#include "Screens.h"
#include "Sign.h"
#include "Style.h"
#include "Testesat.h"
#include "TextAreaSink.h"
#include "Tiles.h"
#include "Trocarcodatv.h"
#include "Update.h"

#include "TextFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

using Handler = void (TGridForm::*)();

// What the window adds to each tile of the menu: its picture, colour and click handlers.
struct TileLook {
    const char* panel;
    const char* icon;
    const char* colour;
    Handler panelClick;
    Handler imageClick;
    Handler captionClick;
};

const TileLook tileLooks[] = {
    {"Panel3", ":/icons/network.svg", tilecolor::network, &TGridForm::Panel3Click,
     &TGridForm::Image2Click, &TGridForm::Panel12Click},
    {"Panel4", ":/icons/activate.svg", tilecolor::activate, nullptr, &TGridForm::Image3Click,
     &TGridForm::AtivarSATClick},
    {"Panel18", ":/icons/signature.svg", tilecolor::signature, nullptr, &TGridForm::Image10Click,
     nullptr},
    {"Panel5", ":/icons/update.svg", tilecolor::update, nullptr, &TGridForm::Image4Click, nullptr},
    {"Panel20", ":/icons/test.svg", tilecolor::test, nullptr, &TGridForm::Image12Click,
     &TGridForm::Panel21Click},
    {"Panel24", ":/icons/key.svg", tilecolor::code, nullptr, &TGridForm::Image14Click, nullptr},
    {"Panel8", ":/icons/lock.svg", tilecolor::block, nullptr, &TGridForm::Image7Click, nullptr},
    {"Panel7", ":/icons/fiscal.svg", tilecolor::fiscal, nullptr, &TGridForm::Image5Click,
     &TGridForm::Panel14Click},
    {"Panel22", ":/icons/logs.svg", tilecolor::logs, nullptr, &TGridForm::Image13Click, nullptr},
};

const TileLook& lookOf(std::string_view panel)
{
    for (const TileLook& look : tileLooks) {
        if (panel == look.panel)
            return look;
    }
    throw std::logic_error("the menu has no picture or handler for the tile " + std::string(panel));
}

// A value label: whatever the device sends is shown as it is, never read as markup, and is
// what a screen reader reads.
QLabel* valueLabel(const QString& control, QWidget* parent)
{
    auto* value = new QLabel(parent);
    value->setObjectName(control);
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    readAsValue(value);
    return value;
}

} // namespace

TGridForm::TGridForm(Screens& screens)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), screens_(screens), messages_(this)
{
    setObjectName("GridForm");
    setWindowTitle("TORVAL VEXOR Manager");
    statusQuery_.reset(new StatusQuery(screens.context, screens.client, menu_));

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(55);
    Label1 = new QLabel("TORVAL VEXOR Manager V.: 1.0.0.4", Panel1);
    Label1->setObjectName("Label1");
    QFont titleFont = Label1->font();
    titleFont.setPointSize(20);
    titleFont.setWeight(QFont::Light);
    Label1->setFont(titleFont);
    Label1->setStyleSheet("color: #f0f0f0;");
    auto* titleLayout = new QHBoxLayout(Panel1);
    titleLayout->setContentsMargins(24, 0, 24, 0);
    titleLayout->addWidget(Label1);

    auto* content = new QWidget(this);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(24, 12, 24, AppBar::barHeight + 8);
    contentLayout->setSpacing(12);
    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(16);
    for (const TileLook& look : tileLooks)
        lookOf(look.panel); // every look belongs to a tile: a stray one is a mistake as well
    for (const MenuGroup& spec : MenuState::groups()) {
        if (spec.name == "GroupBox4")
            continue; // " Informações " holds the status, built below
        auto* group = new QGroupBox(fromUtf8(spec.caption), content);
        group->setObjectName(fromUtf8(spec.name));
        menuControls_.insert(group->objectName(), group);
        auto* row = new QHBoxLayout(group);
        row->setSpacing(8);
        for (const MenuTile& menuTile : MenuState::tiles()) {
            if (menuTile.group != spec.name)
                continue;
            const TileLook& look = lookOf(menuTile.panel);
            const Tile tile = makeTile(fromUtf8(menuTile.panel), fromUtf8(menuTile.image),
                                       fromUtf8(menuTile.caption), fromUtf8(menuTile.text),
                                       look.icon, look.colour, group);
            row->addWidget(tile.panel);
            menuControls_.insert(tile.panel->objectName(), tile.panel);
            menuControls_.insert(tile.image->objectName(), tile.image);
            menuControls_.insert(tile.caption->objectName(), tile.caption);
            connect(tile.image, &QToolButton::clicked, this, look.imageClick);
            if (look.panelClick)
                connect(tile.panel, &ClickPanel::clicked, this, look.panelClick);
            if (look.captionClick) {
                tile.caption->setActionable(true);
                connect(tile.caption, &ClickPanel::clicked, this, look.captionClick);
            }
        }
        row->addStretch(1);
        tiles->addWidget(group, 1);
    }
    contentLayout->addLayout(tiles);
    contentLayout->addWidget(buildInformation(content), 0);
    contentLayout->addStretch(1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Log de status");
    Memo1->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(content, 1);

    buildAppBar();

    menu_.changed = [this] { renderMenu(); };
    renderMenu();
}

TGridForm::~TGridForm() = default;

QGroupBox* TGridForm::buildInformation(QWidget* parent)
{
    auto* group = new QGroupBox(parent);
    for (const MenuGroup& spec : MenuState::groups()) {
        if (spec.name == "GroupBox4")
            group->setTitle(fromUtf8(spec.caption));
    }
    group->setObjectName("GroupBox4");
    menuControls_.insert("GroupBox4", group);
    auto* grid = new QGridLayout(group);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    auto addColumn = [&](const auto& column, int firstColumn) {
        int row = 0;
        for (const StatusCaption& spec : column) {
            const QString control = fromUtf8(spec.control);
            auto* caption = new QLabel(fromUtf8(spec.caption), group);
            caption->setObjectName("Caption_" + control);
            caption->setStyleSheet("color: #b8b8b8;");
            QLabel* value = valueLabel(control, group);
            value->hide();
            caption->setBuddy(value);
            statusLabels_.insert(control, value);
            grid->addWidget(caption, row, firstColumn, Qt::AlignRight);
            grid->addWidget(value, row, firstColumn + 1);
            ++row;
        }
    };
    addColumn(statusLeftColumn, 0);
    addColumn(statusRightColumn, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    Image15 = new ImageButton("Image15", ":/icons/refresh.svg", "Atualizar status", 36, group);
    Image6 = new ImageButton("Image6", ":/icons/save.svg", "Salvar log de status", 36, group);
    connect(Image15, &QToolButton::clicked, this, &TGridForm::Image15Click);
    connect(Image6, &QToolButton::clicked, this, &TGridForm::Image6Click);
    auto* images = new QVBoxLayout;
    images->addWidget(Image15);
    images->addWidget(Image6);
    images->addStretch(1);
    grid->addLayout(images, 0, 4, static_cast<int>(statusLeftColumn.size()), 1);
    return group;
}

void TGridForm::buildAppBar()
{
    AppBar = new ::AppBar(this, ::AppBar::Swipes::OnlyUpHides);
    Image1 = new ImageButton("Image1", ":/icons/back.svg", "Voltar ao acesso", 44, AppBar);
    Image11 = new ImageButton("Image11", ":/icons/exit.svg", "Sair", 44, AppBar);
    Label22 = new QLabel(AppBar);
    Label22->setObjectName("Label22");
    Label22->setTextFormat(Qt::PlainText);
    connect(Image1, &QToolButton::clicked, this, &TGridForm::Image1Click);
    connect(Image11, &QToolButton::clicked, this, &TGridForm::Image11Click);
    AppBar->addLeft(Image1);
    AppBar->addLeft(Label22);
    AppBar->addRight(Image11);
}

void TGridForm::renderMenu()
{
    for (const std::string& name : menu_.controls()) {
        QWidget* control = menuControls_.value(QString::fromStdString(name));
        if (!control)
            throw std::logic_error("the menu names a control the window does not have: " + name);
        control->setVisible(menu_.isVisible(name));
        control->setEnabled(menu_.isEnabled(name));
    }
}

bool TGridForm::refreshStatus()
{
    const auto answer = devicecall::run([this] { return statusQuery_->ask(); });
    if (!answer)
        return false;
    const StatusQuery::Status status = statusQuery_->settle(*answer);
    messages_.show(status);
    if (status.line)
        Memo1->appendPlainText(fromUtf8(*status.line));
    for (const StatusLabel& value : status.labels) {
        if (QLabel* label = statusLabels_.value(fromUtf8(value.control))) {
            label->setText(fromUtf8(value.text));
            label->setVisible(true);
        }
    }
    if (status.warning)
        messages_.showMessage(*status.warning);
    return status.ok();
}

QStringList TGridForm::statusLog() const
{
    return shownLines(Memo1);
}

void TGridForm::saveStatusLog()
{
    FileDialogs dialogs(this);
    const std::optional<std::string> path = dialogs.chooseFileToSave();
    if (!path)
        return;
    std::vector<std::string> lines;
    for (const QString& line : statusLog())
        lines.push_back(utf8(line));
    const textfile::WriteResult written = textfile::writeLines(*path, lines);
    if (!written.ok)
        MessageBoxes::error(this, QString::fromStdString(written.error));
}

void TGridForm::setAppBarVisible(AppBarMode mode)
{
    AppBar->setBarVisible(mode);
}

void TGridForm::FormKeyDown(int key)
{
    AppBar->keyDown(key);
}

void TGridForm::FormGesture(Gesture gesture)
{
    AppBar->gesture(gesture);
}

void TGridForm::previewKey(QKeyEvent* event)
{
    FormKeyDown(event->key());
}

void TGridForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    VexorApplication::endEventLoop();
}

// One line each: the handlers read as a table.
// clang-format off
void TGridForm::Panel3Click() { Screens::openScreen(screens_.Form15()); }
void TGridForm::Image2Click() { Screens::openScreen(screens_.Form15()); }
void TGridForm::Panel12Click() { Screens::openScreen(screens_.Form15()); }
void TGridForm::Image3Click() { Screens::openScreen(screens_.OKRightDlg()); }
void TGridForm::AtivarSATClick() { Screens::openScreen(screens_.Form16()); }
void TGridForm::Image10Click() { Screens::openScreen(screens_.Form17()); }
// clang-format on

void TGridForm::Image4Click()
{
    screens_.Form6()->openedFromTile();
    Screens::openScreen(screens_.Form6());
}

// One line each: the handlers read as a table.
// clang-format off
void TGridForm::Image12Click() { Screens::openScreen(screens_.Form7()); }
void TGridForm::Panel21Click() { Screens::openScreen(screens_.Form7()); }
void TGridForm::Image14Click() { Screens::openScreen(screens_.Form18()); }
void TGridForm::Image7Click() { Screens::openScreen(screens_.Form12()); }
// clang-format on

void TGridForm::Image5Click()
{
    TFiscal* fiscal = screens_.Fiscal();
    Screens::openScreen(fiscal);
    fiscal->XMLSaida->clear();
    fiscal->XMLEntrada->clear();
    fiscal->Memo1->clear();
}

void TGridForm::Panel14Click()
{
    Screens::openScreen(screens_.Fiscal());
}

void TGridForm::Image13Click()
{
    TForm14* logs = screens_.Form14();
    Screens::openScreen(logs);
    logs->Memo1->clear();
}

void TGridForm::Image15Click()
{
    refreshStatus();
}

void TGridForm::Image6Click()
{
    saveStatusLog();
}

void TGridForm::Image1Click()
{
    menu_.backToAccess();
    Screens::openScreen(screens_.OKRightDlg2());
    activateWindow();
    setFocus();
}

void TGridForm::Image11Click()
{
    VexorApplication::endEventLoop();
}
