#pragma once

#include <string>
#include <string_view>

// Conversions between the UTF-8 the program holds and the 8-bit code page that the device
// library and the files the operator saves use: on Windows the workstation's ANSI code page
// (Windows-1252 on the workstations the program is made for), elsewhere Windows-1252.
namespace codepage {

// UTF-8 to the ANSI code page. A character without a form there, and each invalid UTF-8
// sequence, becomes one "?".
std::string toAnsi(std::string_view utf8);

// The ANSI code page to UTF-8. The five bytes Windows-1252 leaves undefined map to the
// control characters of the same value, as Windows itself maps them.
std::string fromAnsi(std::string_view ansi);

// Library text read as UTF-8: valid sequences are kept and each invalid sequence (the
// longest start of a valid one, or a single stray byte) becomes U+FFFD.
std::string fromUtf8(std::string_view bytes);

// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t cp);

// Text that may come in either form: kept when it is valid UTF-8, else read as the ANSI code
// page. Accented text in Windows-1252 is practically never valid UTF-8.
std::string fromUtf8OrAnsi(std::string_view bytes);

#if defined(_WIN32)
// Between UTF-8 and the UTF-16 of the Windows interfaces that take and give wide texts.
std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);
#endif

} // namespace codepage
