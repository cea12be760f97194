#pragma once

#include "Outcome.h"

#include <QString>
#include <QStringList>

#include <string_view>

class QWidget;

// Every message box of the program: modal, titled "TORVAL VEXOR Manager", one OK button.
// Tests record the texts instead of showing boxes, so no test ever blocks on a modal box.
class MessageBoxes {
public:
    explicit MessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}

    // A modal information box with one OK button; returns when the operator closes it.
    void showMessage(std::string_view text);
    // An operation's messages, one box each, in their order.
    void show(const Outcome& outcome);
    static void information(QWidget* parent, const QString& text);
    // The toolkit's standard error box, for errors that escape an event handler.
    static void error(QWidget* parent, const QString& text);

    static constexpr const char* title = "TORVAL VEXOR Manager";

    // Laying out a box grows with its text, and a device may answer megabytes: a longer
    // message is cut there and says so.
    static constexpr qsizetype shownCharacters = 65536;
    static constexpr const char* cutNotice =
        "\n\n(Mensagem cortada: foram mostrados os primeiros %1 de %2 caracteres.)";
    static QString bounded(const QString& text);

    // While a recorder is set, boxes are appended to it instead of being shown.
    static void recordInto(QStringList* recorder);

private:
    QWidget* parent_;
};
