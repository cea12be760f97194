#include "Texts.h"

#include "CodePage.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace satsim {

TextArg readText(const char* text, std::size_t limit)
{
    TextArg arg;
    if (!text)
        return arg;
    // Only as far as the limit: a text without its zero must not run the device off its memory.
    std::size_t length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    if (length == limit) {
        arg.kind = TextArg::Kind::Unterminated;
        return arg;
    }
    arg.kind = TextArg::Kind::Text;
    arg.bytes.assign(text, length);
    return arg;
}

TextArg textArg(std::string_view bytes)
{
    TextArg arg;
    arg.kind = TextArg::Kind::Text;
    arg.bytes.assign(bytes);
    return arg;
}

bool isValidUtf8(std::string_view bytes)
{
    return codepage::fromUtf8(bytes) == bytes;
}

std::string toUtf8(std::string_view bytes)
{
    return codepage::fromUtf8OrAnsi(bytes);
}

std::string printable(std::string_view bytes, std::size_t maxCharacters)
{
    const std::string utf8 = toUtf8(bytes);
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const bool startsCharacter = (byte & 0xC0) != 0x80;
        if (startsCharacter) {
            if (characters == maxCharacters) {
                out += "...";
                return out;
            }
            ++characters;
        }
        out += byte < 0x20 || byte == 0x7F || byte == '|' ? ' ' : utf8[i];
    }
    return out;
}

std::string truncateUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return std::string(text);
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end));
}

std::string padded(long long value, int width)
{
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%0*lld", width, value);
    return buffer.data();
}

std::optional<double> parseDecimal(std::string_view text)
{
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    for (const char c : text)
        if ((c < '0' || c > '9') && c != '.')
            return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatDecimal(double value, int decimals)
{
    if (value == 0)
        value = 0; // no "-0.00"
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc())
        return "0";
    return std::string(buffer.data(), end);
}

double roundCents(double value)
{
    // A tiny nudge so that 2.675, stored as 2.67499..., still rounds up like the decimal it is.
    return std::round(value * 100.0 + std::copysign(1e-7, value)) / 100.0;
}

} // namespace satsim
