#include "LogExtractor.h"

#include "CodePage.h"
#include "Operator.h"
#include "TextFile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t stampLength = 14;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool startsWithStamp(std::string_view text)
{
    if (text.size() < stampLength)
        return false;
    for (std::size_t i = 0; i < stampLength; ++i) {
        if (!isDigit(text[i]))
            return false;
    }
    return true;
}

// A first line is a record only when it starts with a whole timestamp and its bar; anything
// else there is a header.
bool isRecord(std::string_view line)
{
    return line.size() > stampLength && startsWithStamp(line) && line[stampLength] == '|';
}

// How much of the text fits in limit bytes without splitting a character.
std::size_t fitting(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80)
        --limit;
    return limit;
}

// The field up to the mark; the rest starts after the mark, or is empty without one.
std::string_view nextField(std::string_view& rest, char mark)
{
    const void* found = std::memchr(rest.data(), mark, rest.size());
    if (!found) {
        const std::string_view field = rest;
        rest = {};
        return field;
    }
    const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - rest.data());
    const std::string_view field = rest.substr(0, length);
    rest.remove_prefix(length + 1);
    return field;
}

// One display line, built in place: it never holds more than maxDisplayLine bytes plus the
// few needed to see that a text ran over.
class LineBuilder {
public:
    void put(std::string_view text)
    {
        const std::size_t n = std::min(text.size(), sizeof line_ - length_);
        std::memcpy(line_ + length_, text.data(), n);
        length_ += n;
    }
    void put(char c) { put(std::string_view(&c, 1)); }
    void putNumber(std::size_t number)
    {
        char digits[24];
        std::size_t at = sizeof digits;
        do {
            digits[--at] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number);
        put(std::string_view(digits + at, sizeof digits - at));
    }
    void appendTo(std::string& out) const
    {
        const std::string_view line(line_, length_);
        out.append(line_, fitting(line, LogExtractor::maxDisplayLine));
        out += '\n';
    }

private:
    char line_[LogExtractor::maxDisplayLine + 8];
    std::size_t length_ = 0;
};

void appendDate(LineBuilder& line, std::string_view stamp)
{
    if (!startsWithStamp(stamp)) {
        line.put(stamp.substr(0, fitting(stamp, LogExtractor::maxDateText)));
        return;
    }
    const char date[] = {stamp[6],  stamp[7],  '/',      stamp[4],  stamp[5], '/',      stamp[0],
                         stamp[1],  stamp[2],  stamp[3], ' ',       stamp[8], stamp[9], ':',
                         stamp[10], stamp[11], ':',      stamp[12], stamp[13]};
    line.put(std::string_view(date, sizeof date));
}

void appendRecord(std::string& out, std::size_t number, std::string_view line)
{
    std::string_view rest = line;
    const std::string_view stamp = nextField(rest, '|');
    nextField(rest, '|'); // the origin is not shown
    const std::string_view level = nextField(rest, '|');
    // Without a colon the whole rest is the message.
    std::string_view detail;
    std::string_view message = rest;
    if (const void* colon = std::memchr(rest.data(), ':', rest.size())) {
        const auto length = static_cast<std::size_t>(static_cast<const char*>(colon) - rest.data());
        detail = rest.substr(0, length);
        message = rest.substr(length + 1);
    }
    // The display line is shorter than any field's own limit, so cutting the line is enough.
    LineBuilder display;
    display.putNumber(number);
    display.put(' ');
    appendDate(display, stamp);
    display.put(' ');
    display.put(detail);
    display.put(' ');
    display.put(level);
    display.put(' ');
    display.put(message);
    display.appendTo(out);
}

bool isValidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* end = p + text.size();
    while (p < end) {
        // Most logs are ASCII: eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        std::ptrdiff_t follow;
        std::uint32_t cp;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (end - p <= follow)
            return false;
        for (std::ptrdiff_t i = 1; i <= follow; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((follow == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (follow == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        p += follow + 1;
    }
    return true;
}

} // namespace

LogExtractor::LogExtractor(SatClient& client, MessageSink& messages, LineSink& memo,
                           FileChooser& files)
    : client_(client), messages_(messages), memo_(memo), files_(files)
{
}

std::string LogExtractor::dateText(std::string_view timestamp)
{
    LineBuilder line;
    appendDate(line, timestamp);
    std::string text;
    line.appendTo(text);
    text.pop_back();
    return text;
}

LogExtractor::Lines LogExtractor::formatLog(std::string_view decoded)
{
    Lines lines;
    lines.text.reserve(decoded.size() + decoded.size() / 8 + 64);
    bool first = true;
    while (!decoded.empty()) {
        std::string_view line = nextField(decoded, '\n');
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const bool header = first && !isRecord(line);
        first = false;
        // An empty line, such as the end after a closing line feed, is no record.
        if (header || line.empty())
            continue;
        appendRecord(lines.text, ++lines.count, line);
    }
    if (!isValidUtf8(lines.text))
        lines.text = codepage::fromUtf8(lines.text);
    return lines;
}

std::size_t LogExtractor::extract()
{
    const SatResponse answer = client_.ExtrairLogs();
    if (!answer.reached()) {
        messages_.showMessage(answer.failure());
        return 0;
    }
    if (answer.equals(portFailureAnswer)) {
        messages_.showMessage(portFailureShown);
        return 0;
    }
    if (!answer.contains(transferMark)) {
        messages_.showMessage(answer.fromAnsi());
        return 0;
    }
    const SatResponse payload = client_.decodedPayload();
    if (!payload.reached()) {
        messages_.showMessage(payload.failure());
        return 0;
    }
    const Lines lines = formatLog(payload.text());
    if (lines.count > 0)
        memo_.appendLines(lines.text);
    return lines.count;
}

bool LogExtractor::saveLog(const std::vector<std::string>& lines)
{
    const std::optional<std::string> path = files_.chooseFileToSave();
    if (!path)
        return false;
    const textfile::WriteResult written = textfile::writeLines(*path, lines);
    if (!written.ok) {
        messages_.showMessage("Não foi possível salvar os logs em \"" + *path + "\".\n" +
                              written.error);
        return false;
    }
    return true;
}
