#pragma once

#include <optional>
#include <string>
#include <string_view>

// What vexor needs from the terminal it runs on.
namespace terminal {

bool stdoutIsTerminal();
bool stderrIsTerminal();

// The text as a terminal may show it: an answer holding escape sequences must not set the
// window title or clear the screen. Each C0 control but LF and TAB (and CR before LF) and
// DEL become "\x1b" style escapes, each C1 control (U+0080 to U+009F) a "\u009b" style
// escape, and each invalid UTF-8 sequence U+FFFD.
std::string visible(std::string_view text);

// Reads one line from the terminal without showing what is typed. nullopt when the standard
// input is no terminal (a code is never read from a pipe by accident) or reading failed.
std::optional<std::string> readSecret(std::string_view prompt);

// Lets the console show the UTF-8 that vexor prints (Windows consoles default to an OEM page).
void prepareOutput();

} // namespace terminal
