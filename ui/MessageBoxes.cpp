#include "MessageBoxes.h"

#include <QMessageBox>

namespace {
QStringList* recorder = nullptr;
}

void MessageBoxes::recordInto(QStringList* log)
{
    recorder = log;
}

void MessageBoxes::showMessage(std::string_view text)
{
    information(parent_, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void MessageBoxes::information(QWidget* parent, const QString& text)
{
    if (recorder) {
        recorder->append(text);
        return;
    }
    // Plain text: a device's message is shown as it is, never interpreted as markup.
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void MessageBoxes::error(QWidget* parent, const QString& text)
{
    if (recorder) {
        recorder->append(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
