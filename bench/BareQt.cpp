// The smallest Qt Widgets program that looks like the manager at start: a full-screen window
// and, in front of it, one small dialog with a text field and a button. scripts/bench starts it
// beside the manager to see what the manager's own start-up costs over Qt's.

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);

    QWidget mainWindow(nullptr, Qt::FramelessWindowHint);
    // Without a window manager a full-screen request alone keeps the window's own size.
    mainWindow.setGeometry(mainWindow.screen()->geometry());
    mainWindow.showFullScreen();

    QDialog dialog(&mainWindow);
    dialog.setWindowTitle("Bare Qt");
    auto* label = new QLabel("Código", &dialog);
    auto* field = new QLineEdit(&dialog);
    label->setBuddy(field);
    auto* button = new QPushButton("OK", &dialog);
    button->setDefault(true);
    auto* layout = new QHBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(field, 1);
    layout->addWidget(button);
    dialog.show();

    return QApplication::exec();
}
