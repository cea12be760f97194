#pragma once

#include "Operator.h"

#include <QString>

class QPlainTextEdit;

// Lines a component appends to a text area. A block of lines goes in with one edit, so that
// a large log is laid out once rather than once per line.
class TextAreaSink : public LineSink {
public:
    explicit TextAreaSink(QPlainTextEdit* area) : area_(area) {}

    void appendLine(std::string_view line) override;
    void appendLines(std::string_view lines) override;

    // The text as QString::fromUtf8 decodes it, written into the kept buffer.
    const QString& decoded(std::string_view text);

private:
    QPlainTextEdit* area_;
    // Kept between blocks: the first touch of fresh memory for a large log's UTF-16 text
    // costs several times its decoding, and the area copies the text anyway.
    QString text_;
};
