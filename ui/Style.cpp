#include "Style.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

bool applyMetropolisDark(QApplication& application)
{
    QStyle* base = QStyleFactory::create("Fusion");
    if (!base)
        return false;
    application.setStyle(base);

    QPalette palette;
    const QColor window(0x1d, 0x1d, 0x1d);
    const QColor surface(0x2b, 0x2b, 0x2b);
    const QColor text(0xf0, 0xf0, 0xf0);
    const QColor accent(0x1b, 0x6a, 0xc9);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, surface);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, surface);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, QColor(0xa0, 0xa0, 0xa0));
    palette.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    application.setPalette(palette);

    application.setStyleSheet(R"(
        QGroupBox { border: 1px solid #4a4a4a; margin-top: 14px; padding: 8px; font-weight: bold; }
        QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 2px; color: #e8e8e8; }
        QFrame#Panel1 { background: #111111; border-bottom: 2px solid #1b6ac9; }
        QFrame#AppBar { background: #111111; border-top: 2px solid #1b6ac9; }
        QToolButton { border: none; background: transparent; }
        QToolButton:hover { background: rgba(255, 255, 255, 28); }
        QToolButton:focus { outline: none; border: 2px solid #ffffff; }
        QToolButton:pressed { background: rgba(0, 0, 0, 60); }
        QPushButton { padding: 4px 16px; border: 1px solid #5a5a5a; background: #3a3a3a; }
        QPushButton:hover { background: #474747; }
        QPushButton:focus { border: 1px solid #6cb4ff; }
        QPushButton:default { border: 1px solid #1b6ac9; }
        QPushButton#SpeedButton1 { border: none; background: transparent; color: #6cb4ff;
                                   text-decoration: underline; padding: 2px; }
        QLineEdit, QPlainTextEdit, QTextEdit { border: 1px solid #5a5a5a; padding: 2px; }
        QLineEdit:focus, QPlainTextEdit:focus { border: 1px solid #6cb4ff; }
    )");
    return true;
}

static void initIcons()
{
    Q_INIT_RESOURCE(icons);
}

void initUiResources()
{
    initIcons();
}
