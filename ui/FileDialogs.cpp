#include "FileDialogs.h"

#include "Fields.h"

#include <QFileDialog>

namespace {

QStringList* queuedAnswers = nullptr;

std::optional<std::string> chosen(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    return utf8(path);
}

} // namespace

void FileDialogs::answerWith(QStringList* answers)
{
    queuedAnswers = answers;
}

std::optional<std::string> FileDialogs::chooseFileToOpen()
{
    if (queuedAnswers)
        return chosen(queuedAnswers->isEmpty() ? QString() : queuedAnswers->takeFirst());
    return chosen(QFileDialog::getOpenFileName(parent_));
}

std::optional<std::string> FileDialogs::chooseFileToSave()
{
    if (queuedAnswers)
        return chosen(queuedAnswers->isEmpty() ? QString() : queuedAnswers->takeFirst());
    return chosen(QFileDialog::getSaveFileName(parent_));
}
