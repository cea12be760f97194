#pragma once

#include <optional>
#include <string>
#include <string_view>

// What vexor needs from the terminal it runs on.
namespace terminal {

bool stdoutIsTerminal();

// Reads one line from the terminal without showing what is typed. nullopt when the standard
// input is no terminal (a code is never read from a pipe by accident) or reading failed.
std::optional<std::string> readSecret(std::string_view prompt);

// Lets the console show the UTF-8 that vexor prints (Windows consoles default to an OEM page).
void prepareOutput();

} // namespace terminal
