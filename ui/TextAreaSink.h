#pragma once

#include "Operator.h"

class QPlainTextEdit;

// A text area of a screen as the components see it: entries appended, the area emptied, its
// text read back to be saved. The text is always plain: a device's or a file's text is shown
// as it is, never as markup.
class TextAreaSink : public TextArea {
public:
    explicit TextAreaSink(QPlainTextEdit* area) : area_(area) {}

    void appendLine(std::string_view line) override;
    void clear() override;
    // Blanks are kept as typed, no-break spaces included.
    std::vector<std::string> lines() const override;

private:
    QPlainTextEdit* area_;
};
