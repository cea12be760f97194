#include "Terminal.h"

#include "CodePage.h"

#include <cstdio>
#include <iostream>

#if defined(_WIN32)
#include <atomic>
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <iterator>
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

namespace {

// The console mode to put back when Ctrl+C, Ctrl+Break or closing the window ends the process
// while echo is off: the console is shared with the shell that started vexor.
HANDLE savedInput = INVALID_HANDLE_VALUE;
DWORD savedMode = 0;
std::atomic<bool> echoOff{false};

BOOL WINAPI restoreConsole(DWORD) {
    if (echoOff)
        SetConsoleMode(savedInput, savedMode);
    return FALSE; // the next handler, in the end the default one, ends the process
}

} // namespace

std::optional<std::string> readSecret(std::string_view prompt) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode))
        return std::nullopt;
    std::cerr << prompt << std::flush;
    savedInput = input;
    savedMode = mode;
    SetConsoleCtrlHandler(restoreConsole, TRUE);
    echoOff = true;
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
    echoOff = false;
    SetConsoleCtrlHandler(restoreConsole, FALSE);
    std::cerr << "\n";
    if (!ok)
        return std::nullopt;
    wide.resize(wide.find_first_of(L"\r\n"));
    return codepage::utf8FromWide(wide);
}

#else

namespace {

// The terminal as it was, put back by the handlers below when a signal ends the process while
// echo is off: otherwise the shell stays blind afterwards.
termios savedTerminal{};
volatile std::sig_atomic_t echoOff = 0;

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void restoreAndEnd(int signal) {
    if (echoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal); // async-signal-safe
    // SA_RESETHAND made the action the default again: the process ends by the signal, as
    // it would have, and its status says so.
    raise(signal);
}

// The handlers while echo is off; a signal the shell had ignored stays ignored.
class EndingSignals {
public:
    EndingSignals() {
        struct sigaction restore {};
        restore.sa_handler = restoreAndEnd;
        restore.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigemptyset(&restore.sa_mask);
        for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
            sigaction(endingSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler != SIG_IGN)
                sigaction(endingSignals[i], &restore, nullptr);
        }
    }
    ~EndingSignals() {
        for (std::size_t i = 0; i < std::size(endingSignals); ++i)
            sigaction(endingSignals[i], &previous_[i], nullptr);
    }
    EndingSignals(const EndingSignals&) = delete;
    EndingSignals& operator=(const EndingSignals&) = delete;

private:
    struct sigaction previous_[std::size(endingSignals)]{};
};

} // namespace

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
    savedTerminal = saved;
    const EndingSignals handlers;
    echoOff = 1;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
        echoOff = 0;
        return std::nullopt;
    }
    std::string line;
    const bool ok = static_cast<bool>(std::getline(std::cin, line));
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    echoOff = 0;
    if (!ok)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

#endif

} // namespace terminal
