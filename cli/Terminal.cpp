#include "Terminal.h"

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
