#pragma once

#include "Operator.h"

#include <QString>
#include <QStringList>

class QWidget;

// The file-open and file-save dialogs: no filter, no default extension. Tests queue the
// answers instead (an empty answer is a cancel).
class FileDialogs : public FileChooser {
public:
    explicit FileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<std::string> chooseFileToOpen() override;
    std::optional<std::string> chooseFileToSave() override;

    static void answerWith(QStringList* answers);

private:
    QWidget* parent_;
};
