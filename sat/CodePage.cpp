#include "CodePage.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace codepage {

namespace {

constexpr char32_t invalidSequence = 0xFFFFFFFF;

// Code points of the bytes 0x80 to 0x9F; the rest of the upper half equals Latin-1.
constexpr std::array<char32_t, 32> upperControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Where the run of ASCII bytes that starts at pos ends: such a run is the same text in UTF-8
// and in Windows-1252, so it is copied whole rather than decoded byte by byte.
std::size_t asciiRunEnd(std::string_view text, std::size_t pos)
{
    // Eight bytes at a time while no byte has its top bit set.
    while (pos + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + pos, sizeof word);
        if (word & 0x8080808080808080u)
            break;
        pos += 8;
    }
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos;
}

// Decodes one sequence at pos and advances pos past it; an invalid sequence advances past
// its longest valid beginning (at least one byte) and yields invalidSequence.
char32_t decodeNext(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t value = 0;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
        value = lead & 0x1F;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        ++pos;
        return invalidSequence;
    }
    ++pos;
    for (std::size_t i = 1; i < length; ++i) {
        if (pos >= text.size())
            return invalidSequence;
        const auto next = static_cast<unsigned char>(text[pos]);
        if (!inRange(next, low, high))
            return invalidSequence;
        value = (value << 6) | (next & 0x3F);
        low = 0x80;
        high = 0xBF;
        ++pos;
    }
    return value;
}

char ansiByte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < upperControls.size(); ++i) {
        if (upperControls[i] == cp)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

char32_t ansiCodePoint(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return upperControls[byte - 0x80];
    return byte;
}

std::string toWindows1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t ascii = asciiRunEnd(utf8, pos);
        out.append(utf8.substr(pos, ascii - pos));
        pos = ascii;
        if (pos == utf8.size())
            break;
        const char32_t cp = decodeNext(utf8, pos);
        out += cp == invalidSequence ? '?' : ansiByte(cp);
    }
    return out;
}

std::string fromWindows1252(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (const char c : ansi)
        appendUtf8(out, ansiCodePoint(static_cast<unsigned char>(c)));
    return out;
}

#if defined(_WIN32)

// Valid UTF-8 is kept and each invalid sequence becomes one "?", as the decoding elsewhere does.
std::string utf8WithInvalidMarked(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t start = pos;
        if (decodeNext(utf8, pos) == invalidSequence)
            out += '?';
        else
            out.append(utf8.substr(start, pos - start));
    }
    return out;
}

// Nullopt when the system cannot convert the text (its counts are ints).
std::optional<std::string> toAnsiCodePage(std::string_view utf8)
{
    if (utf8.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    // Decoded here, not by the system, so that each invalid sequence gives exactly one "?".
    // No ANSI code page has a form for a character beyond U+FFFF: it is a "?" at once.
    std::wstring wide;
    wide.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = decodeNext(utf8, pos);
        wide += cp == invalidSequence || cp > 0xFFFF ? L'?' : static_cast<wchar_t>(cp);
    }
    if (wide.empty())
        return std::string();
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks becomes "?", not a look-alike.
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                         0, "?", nullptr);
    if (size <= 0)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), size, "?",
                        nullptr);
    return out;
}

std::optional<std::string> fromAnsiCodePage(std::string_view ansi)
{
    if (ansi.empty())
        return std::string();
    if (ansi.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    const int length = static_cast<int>(ansi.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);

    std::string out;
    out.reserve(wide.size() + wide.size() / 8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const char32_t unit = wide[i];
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() &&
                          wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
        if (pair) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        }
    }
    return out;
}

#endif

} // namespace

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// On Windows the texts go through the workstation's own ANSI code page (Windows-1252 on the
// workstations this program is made for); elsewhere, and should the system refuse a text, the
// Windows-1252 table above is used.

std::string toAnsi(std::string_view utf8)
{
#if defined(_WIN32)
    // A workstation whose ANSI code page is UTF-8 gets UTF-8 (the system refuses to convert to
    // it without best fit).
    if (GetACP() == CP_UTF8)
        return utf8WithInvalidMarked(utf8);
    if (auto converted = toAnsiCodePage(utf8))
        return *converted;
#endif
    return toWindows1252(utf8);
}

std::string fromAnsi(std::string_view ansi)
{
#if defined(_WIN32)
    if (GetACP() == CP_UTF8)
        return fromUtf8(ansi);
    if (auto converted = fromAnsiCodePage(ansi))
        return *converted;
#endif
    return fromWindows1252(ansi);
}

std::string fromUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t ascii = asciiRunEnd(bytes, pos);
        out.append(bytes.substr(pos, ascii - pos));
        pos = ascii;
        if (pos == bytes.size())
            break;
        const std::size_t start = pos;
        const char32_t cp = decodeNext(bytes, pos);
        if (cp == invalidSequence)
            appendUtf8(out, 0xFFFD);
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out;
}

std::string fromUtf8OrAnsi(std::string_view bytes)
{
    return fromUtf8(bytes) == bytes ? std::string(bytes) : fromAnsi(bytes);
}

#if defined(_WIN32)
std::wstring wideFromUtf8(std::string_view utf8)
{
    const int length = static_cast<int>(utf8.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
    return wide;
}

std::string utf8FromWide(std::wstring_view wide)
{
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}
#endif

} // namespace codepage
