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

namespace {

void showBox(QMessageBox::Icon icon, QWidget* parent, const QString& text)
{
    if (recorder) {
        recorder->append(text);
        return;
    }
    // Plain text: a device's message is shown as it is, never interpreted as markup.
    QMessageBox box(icon, MessageBoxes::title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void MessageBoxes::information(QWidget* parent, const QString& text)
{
    showBox(QMessageBox::Information, parent, text);
}

void MessageBoxes::error(QWidget* parent, const QString& text)
{
    showBox(QMessageBox::Critical, parent, text);
}
