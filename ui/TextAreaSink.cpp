#include "TextAreaSink.h"

#include "Fields.h"

#include <QPlainTextEdit>
#include <QStringDecoder>

const QString& TextAreaSink::decoded(std::string_view text)
{
    // Stateless, without ConvertInitialBom: what QString::fromUtf8 does, a leading byte
    // order mark dropped and a cut sequence at the end shown as U+FFFD.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    // Within the capacity the resize keeps the buffer: no allocation, nothing filled.
    text_.resize(decoder.requiredSpace(bytes.size()));
    const QChar* end = decoder.appendToBuffer(text_.data(), bytes);
    text_.resize(end - text_.constData());
    return text_;
}

void TextAreaSink::appendLine(std::string_view line)
{
    append(fromUtf8(line));
}

void TextAreaSink::appendLines(std::string_view lines)
{
    if (!lines.empty() && lines.back() == '\n')
        lines.remove_suffix(1);
    append(decoded(lines));
}

void TextAreaSink::append(const QString& text)
{
    // An empty area takes the whole text at once, the fastest way in.
    if (area_->document()->isEmpty())
        area_->setPlainText(text);
    else
        area_->appendPlainText(text);
}

void TextAreaSink::clear()
{
    area_->clear();
}

std::vector<std::string> TextAreaSink::lines() const
{
    const QStringList blocks = shownLines(area_);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(blocks.size()));
    for (const QString& block : blocks)
        lines.push_back(utf8(block));
    return lines;
}

QStringList shownLines(const QPlainTextEdit* area)
{
    if (area->document()->isEmpty())
        return {};
    // The raw text keeps no-break spaces and line separators, which toPlainText would turn
    // into blanks and line breaks.
    return area->document()->toRawText().split(QChar::ParagraphSeparator);
}
