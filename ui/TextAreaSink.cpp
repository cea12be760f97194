#include "TextAreaSink.h"

#include <QPlainTextEdit>
#include <QStringDecoder>

namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

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
    area_->appendPlainText(fromUtf8(line));
}

void TextAreaSink::appendLines(std::string_view lines)
{
    if (!lines.empty() && lines.back() == '\n')
        lines.remove_suffix(1);
    const QString& text = decoded(lines);
    // An empty area takes the whole text at once, the fastest way in.
    if (area_->document()->isEmpty())
        area_->setPlainText(text);
    else
        area_->appendPlainText(text);
}
