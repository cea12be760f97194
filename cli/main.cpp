#include "Terminal.h"
#include "Vexor.h"

#include <cstdlib>
#include <iostream>

#if defined(_WIN32)
#include <windows.h>

#include <shellapi.h>

namespace {

std::string utf8(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

// The ANSI argv cannot hold every file name; the command line in UTF-16 can.
std::vector<std::string> arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; wide && i < count; ++i)
        out.push_back(utf8(wide[i]));
    LocalFree(wide);
    return out;
}

std::optional<std::string> variable(const char* name) {
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value ? std::optional<std::string>(utf8(value)) : std::nullopt;
}

} // namespace

#else

namespace {

std::vector<std::string> arguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

#endif

int main(int argc, char** argv) {
    terminal::prepareOutput();
    CliEnvironment environment{std::cout, std::cerr};
    environment.variable = variable;
    environment.readSecret = terminal::readSecret;
    environment.stdoutIsTerminal = terminal::stdoutIsTerminal();
    environment.stderrIsTerminal = terminal::stderrIsTerminal();
    return vexorcli::run(arguments(argc, argv), environment);
}
