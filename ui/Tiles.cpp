#include "Tiles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace {

// How a screen reader sees a panel: a button with a press action when it acts on a click.
class ClickPanelAccessible : public QAccessibleWidget {
public:
    explicit ClickPanelAccessible(ClickPanel* panel) : QAccessibleWidget(panel) {}
    QAccessible::Role role() const override
    {
        return panel()->isActionable() ? QAccessible::Button : QAccessible::Grouping;
    }
    QStringList actionNames() const override
    {
        if (!panel()->isActionable())
            return QAccessibleWidget::actionNames();
        return {pressAction()};
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && panel()->isActionable())
            panel()->click();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    ClickPanel* panel() const { return static_cast<ClickPanel*>(widget()); }
};

QAccessibleInterface* clickPanelFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("ClickPanel") && object && object->isWidgetType())
        return new ClickPanelAccessible(static_cast<ClickPanel*>(object));
    return nullptr;
}

} // namespace

ImageButton::ImageButton(const QString& objectName, const QString& icon, const QString& name,
                         int iconSize, QWidget* parent)
    : QToolButton(parent)
{
    setObjectName(objectName);
    setIcon(QIcon(icon));
    setIconSize(QSize(iconSize, iconSize));
    setAccessibleName(name);
    setToolTip(name);
    setCursor(Qt::PointingHandCursor);
    setAutoRaise(true);
}

ClickPanel::ClickPanel(const QString& objectName, const QString& caption, QWidget* parent)
    : QFrame(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(clickPanelFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(objectName);
    if (!caption.isNull()) {
        label_ = new QLabel(caption, this);
        label_->setAlignment(Qt::AlignCenter);
        label_->setWordWrap(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 2, 4, 6);
        layout->addWidget(label_);
        setAccessibleName(caption);
    }
}

void ClickPanel::setActionable(bool actionable)
{
    actionable_ = actionable;
    setFocusPolicy(actionable ? Qt::StrongFocus : Qt::NoFocus);
    setCursor(actionable ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ClickPanel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (actionable_ && !event->isAutoRepeat() &&
        (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
        emit clicked();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

void ClickPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

Tile makeTile(const QString& panel, const QString& image, const QString& caption,
              const QString& text, const QString& icon, const char* colour, QWidget* parent)
{
    Tile tile{};
    tile.panel = new ClickPanel(panel, QString(), parent);
    tile.panel->setStyleSheet(QString("QFrame#%1 { background: %2; }").arg(panel, colour));
    tile.panel->setMinimumSize(120, 128);
    tile.panel->setMaximumSize(176, 150);
    tile.panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    tile.image = new ImageButton(image, icon, text, 56, tile.panel);
    tile.image->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    tile.caption = new ClickPanel(caption, text, tile.panel);
    QFont font = tile.caption->label()->font();
    font.setPointSize(font.pointSize() + 1);
    font.setBold(true);
    tile.caption->label()->setFont(font);
    tile.caption->label()->setStyleSheet("color: #ffffff;");
    // Where the keyboard is when a caption that acts has the focus.
    tile.caption->setStyleSheet(
        QString("QFrame#%1:focus { border: 2px solid #ffffff; }").arg(caption));
    auto* layout = new QVBoxLayout(tile.panel);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tile.image, 1);
    layout->addWidget(tile.caption);
    return tile;
}
