#pragma once

#include "Operator.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QPlainTextEdit;
class QString;

// A text area of a screen as the components see it: lines appended (a block of lines with one
// edit, so that a large log is laid out once rather than once per line), the area emptied, its
// text read back to be saved. The text is always plain: a device's or a file's text is shown
// as it is, never as markup.
class TextAreaSink : public LineSink {
public:
    explicit TextAreaSink(QPlainTextEdit* area) : area_(area) {}

    void appendLine(std::string_view line) override;
    void appendLines(std::string_view lines) override;
    void clear();
    // The area's text as lines, without line ends. Blanks are kept as typed, no-break spaces
    // included.
    std::vector<std::string> lines() const;

    // The text as QString::fromUtf8 decodes it, written into the kept buffer.
    const QString& decoded(std::string_view text);

private:
    void append(const QString& text);

    QPlainTextEdit* area_;
    // Kept between blocks: the first touch of fresh memory for a large log's UTF-16 text
    // costs several times its decoding, and the area copies the text anyway.
    QString text_;
};

// The lines of a text area as it shows them, one per paragraph: what a save writes.
QStringList shownLines(const QPlainTextEdit* area);
