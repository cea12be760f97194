#include "Terminal.h"

#include "CodePage.h"

#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace terminal {

bool stdoutIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

bool stderrIsTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::string visible(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    // Decoded first: a stray byte 0x9b is a control on a terminal that is not in UTF-8.
    const std::string decoded = codepage::fromUtf8(text);
    std::string out;
    out.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(decoded[i]);
        const bool lineEnd = byte == '\n' || byte == '\t' ||
                             (byte == '\r' && i + 1 < decoded.size() && decoded[i + 1] == '\n');
        if ((byte < 0x20 && !lineEnd) || byte == 0x7f) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xf];
        } else if (byte == 0xc2 && i + 1 < decoded.size() &&
                   static_cast<unsigned char>(decoded[i + 1]) < 0xa0) {
            // After decoding, 0xc2 is followed by a continuation byte: 0x80 to 0x9f is C1.
            const auto low = static_cast<unsigned char>(decoded[++i]);
            out += "\\u00";
            out += hex[low >> 4];
            out += hex[low & 0xf];
        } else {
            out += decoded[i];
        }
    }
    return out;
}

void prepareOutput() {
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
}

#if defined(_WIN32)

std::optional<std::string> readSecret(std::string_view prompt) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode))
        return std::nullopt;
    std::cerr << prompt << std::flush;
    SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT);
    // Read as UTF-16 so that accented characters arrive whatever the console's code page.
    std::wstring wide;
    wchar_t buffer[256];
    DWORD read = 0;
    bool ok = true;
    for (;;) {
        if (!ReadConsoleW(input, buffer, 256, &read, nullptr) || read == 0) {
            ok = false;
            break;
        }
        wide.append(buffer, read);
        if (wide.find(L'\n') != std::wstring::npos)
            break;
    }
    SetConsoleMode(input, mode);
    std::cerr << "\n";
    if (!ok)
        return std::nullopt;
    wide.resize(wide.find_first_of(L"\r\n"));
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

#else

std::optional<std::string> readSecret(std::string_view prompt) {
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0)
        return std::nullopt;
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    std::cerr << prompt << std::flush;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0)
        return std::nullopt;
    std::string line;
    const bool ok = static_cast<bool>(std::getline(std::cin, line));
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!ok)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

#endif

} // namespace terminal
