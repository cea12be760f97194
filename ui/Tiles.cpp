#include "Tiles.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

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
    auto* layout = new QVBoxLayout(tile.panel);
    layout->setContentsMargins(0, 6, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tile.image, 1);
    layout->addWidget(tile.caption);
    return tile;
}
