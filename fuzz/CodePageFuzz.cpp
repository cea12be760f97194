// The conversions between UTF-8 and Windows-1252 that every device text and saved file goes
// through.

#include "CodePage.h"
#include "FuzzCheck.h"

using fuzzcheck::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzzcheck::bytesOf(data, size);

    // Library text read as UTF-8.
    const std::string utf8 = codepage::fromUtf8(bytes);
    require(utf8 == fuzzcheck::utf8Replaced(bytes), "each invalid sequence becomes one U+FFFD");
    require(codepage::fromUtf8(utf8) == utf8, "valid UTF-8 is kept");

    // Any byte text is Windows-1252: it reads as one character a byte and goes back unchanged.
    const std::string fromAnsi = codepage::fromAnsi(bytes);
    require(fuzzcheck::isUtf8(fromAnsi), "Windows-1252 reads as valid UTF-8");
    require(fuzzcheck::characters(fromAnsi) == bytes.size(), "one character a byte");
    require(codepage::toAnsi(fromAnsi) == bytes, "Windows-1252 goes back to the same bytes");

    // The input as UTF-8 to Windows-1252: one byte a character or invalid sequence, "?" for
    // what has no form there, and what has one comes back.
    const std::string ansi = codepage::toAnsi(bytes);
    std::string expected;
    std::string back;
    for (std::size_t at = 0; at < bytes.size();) {
        const fuzzcheck::Utf8Unit unit = fuzzcheck::nextUtf8(bytes, at);
        const std::string_view piece = bytes.substr(at, unit.length);
        at += unit.length;
        if (!unit.valid) {
            expected += '?';
            back += '?';
            continue;
        }
        const std::string one = codepage::toAnsi(piece);
        require(one.size() == 1, "a character is one byte");
        if (unit.cp < 0x80 || (unit.cp >= 0xA0 && unit.cp <= 0xFF))
            require(static_cast<unsigned char>(one[0]) == unit.cp,
                    "ASCII and Latin-1 keep their value");
        expected += one;
        if (one == "?" && unit.cp != '?') {
            back += '?';
        } else {
            require(codepage::fromAnsi(one) == piece, "a character that maps comes back");
            back += piece;
        }
    }
    require(ansi == expected, "the whole text converts as its characters do");
    require(codepage::fromAnsi(ansi) == back, "the round trip gives back what maps");

    // Text in either form: kept when valid UTF-8, else read as Windows-1252.
    const std::string either = codepage::fromUtf8OrAnsi(bytes);
    require(either == (fuzzcheck::isUtf8(bytes) ? std::string(bytes) : fromAnsi),
            "valid UTF-8 kept, anything else read as Windows-1252");
    return 0;
}
