#include "MessageBoxes.h"

#include "Fields.h"

#include <QLocale>
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
    information(parent_, fromUtf8(text));
}

void MessageBoxes::show(const Outcome& outcome)
{
    for (const std::string& message : outcome.messages)
        showMessage(message);
}

namespace {

void showBox(QMessageBox::Icon icon, QWidget* parent, const QString& whole)
{
    const QString text = MessageBoxes::bounded(whole);
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

QString MessageBoxes::bounded(const QString& text)
{
    if (text.size() <= shownCharacters)
        return text;
    qsizetype cut = shownCharacters;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return text.left(cut) +
           QString::fromUtf8(cutNotice).arg(brazil.toString(static_cast<qlonglong>(cut)),
                                            brazil.toString(static_cast<qlonglong>(text.size())));
}
