#pragma once

#include "Operator.h"

class QPlainTextEdit;

// Lines a component appends to a text area. A block of lines goes in with one edit, so that
// a large log is laid out once rather than once per line.
class TextAreaSink : public LineSink {
public:
    explicit TextAreaSink(QPlainTextEdit* area) : area_(area) {}

    void appendLine(std::string_view line) override;
    void appendLines(std::string_view lines) override;

private:
    QPlainTextEdit* area_;
};
