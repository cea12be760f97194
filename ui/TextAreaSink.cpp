#include "TextAreaSink.h"

#include <QPlainTextEdit>

namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void TextAreaSink::appendLine(std::string_view line)
{
    area_->appendPlainText(fromUtf8(line));
}

void TextAreaSink::appendLines(std::string_view lines)
{
    if (!lines.empty() && lines.back() == '\n')
        lines.remove_suffix(1);
    const QString text = fromUtf8(lines);
    // An empty area takes the whole text at once, the fastest way in.
    if (area_->document()->isEmpty())
        area_->setPlainText(text);
    else
        area_->appendPlainText(text);
}
