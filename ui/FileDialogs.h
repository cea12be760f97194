#pragma once

#include <optional>
#include <string>

#include <QString>
#include <QStringList>

class QWidget;

// The file-open and file-save dialogs: no filter, no default extension. Tests queue the
// answers instead (an empty answer is a cancel).
class FileDialogs {
public:
    explicit FileDialogs(QWidget* parent) : parent_(parent) {}

    // The chosen path, or none when the operator cancels.
    std::optional<std::string> chooseFileToOpen();
    std::optional<std::string> chooseFileToSave();

    static void answerWith(QStringList* answers);

private:
    QWidget* parent_;
};
