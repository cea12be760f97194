#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// What every fuzz target shares: a property check that stops the run (libFuzzer then keeps the
// input as a crash), and a UTF-8 reader written apart from sat/CodePage so that the two can
// check each other.
namespace fuzzcheck {

inline void require(bool kept, const char* what)
{
    if (kept)
        return;
    std::fprintf(stderr, "Property broken: %s\n", what);
    std::abort();
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// One unit of a byte text read as UTF-8: a well-formed character, or the longest start of one
// (at least one byte) that cannot be completed.
struct Utf8Unit {
    std::size_t length = 0;
    bool valid = false;
    char32_t cp = 0;
};

// Unicode's table of well-formed byte sequences, byte by byte.
inline Utf8Unit nextUtf8(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(at);
    if (b0 < 0x80)
        return {1, true, b0};
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 == 0xE0) {
        length = 3;
        low = 0xA0;
    } else if ((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) {
        length = 3;
    } else if (b0 == 0xED) {
        length = 3;
        high = 0x9F;
    } else if (b0 == 0xF0) {
        length = 4;
        low = 0x90;
    } else if (b0 >= 0xF1 && b0 <= 0xF3) {
        length = 4;
    } else if (b0 == 0xF4) {
        length = 4;
        high = 0x8F;
    } else {
        return {1, false, 0};
    }
    char32_t cp = b0 & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size())
            return {i, false, 0};
        const unsigned char b = byte(at + i);
        const unsigned char from = i == 1 ? low : 0x80;
        const unsigned char to = i == 1 ? high : 0xBF;
        if (b < from || b > to)
            return {i, false, 0};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {length, true, cp};
}

inline bool isUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Unit unit = nextUtf8(text, at);
        if (!unit.valid)
            return false;
        at += unit.length;
    }
    return true;
}

// Valid sequences kept, each invalid one as U+FFFD.
inline std::string utf8Replaced(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Unit unit = nextUtf8(text, at);
        out += unit.valid ? std::string(text.substr(at, unit.length)) : "\xEF\xBF\xBD";
        at += unit.length;
    }
    return out;
}

inline std::size_t characters(std::string_view utf8)
{
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size(); ++count)
        at += nextUtf8(utf8, at).length;
    return count;
}

} // namespace fuzzcheck
