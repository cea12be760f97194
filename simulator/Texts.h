#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Texts as they cross the device's boundary: arguments that may be null or never end,
// bytes in either code page, and answers that must stay valid UTF-8 with "|" as the only
// field separator.
namespace satsim {

// One text argument of a device call, read no further than a limit.
struct TextArg {
    enum class Kind { Null, Unterminated, Text };
    Kind kind = Kind::Null;
    std::string bytes;

    bool isText() const { return kind == Kind::Text; }
    bool isEmpty() const { return kind != Kind::Text || bytes.empty(); }
};

// Limits beyond which a text is taken as not terminated.
inline constexpr std::size_t shortTextLimit = 4096;
inline constexpr std::size_t documentLimit = 1500 * 1024; // the CF-e size a SAT accepts

TextArg readText(const char* text, std::size_t limit);
TextArg textArg(std::string_view bytes); // for callers that already hold the bytes

bool isValidUtf8(std::string_view bytes);

// Sale documents arrive in Windows-1252 even when they declare UTF-8; bytes that are not
// valid UTF-8 are read as Windows-1252.
std::string toUtf8(std::string_view bytes);

// A caller's text fit for a message: UTF-8, no "|" or control characters, at most
// maxCharacters characters (then "...").
std::string printable(std::string_view bytes, std::size_t maxCharacters = 48);

// The longest start of a UTF-8 text that fits maxBytes without cutting a character.
std::string truncateUtf8(std::string_view text, std::size_t maxBytes);

// Zero-padded decimal number.
std::string padded(long long value, int width);

// Decimal amounts as a CF-e writes them ("250.000"), independent of the C locale.
std::optional<double> parseDecimal(std::string_view text);
std::string formatDecimal(double value, int decimals);
// Rounded to cents, halves away from zero.
double roundCents(double value);

} // namespace satsim
