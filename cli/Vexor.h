#pragma once

#include "SatClient.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Everything vexor takes from the process it runs in, so that a test can run it whole with
// its own streams, variables and device library.
struct CliEnvironment {
    std::ostream& out;
    std::ostream& err;
    // An environment variable, nullopt when unset.
    std::function<std::optional<std::string>(const char* name)> variable = {};
    // The code typed without echo; nullopt when there is no terminal to ask on.
    std::function<std::optional<std::string>(std::string_view prompt)> readSecret = {};
    // Progress is drawn only on a terminal; on a terminal, control characters in what is
    // printed are shown escaped.
    bool stdoutIsTerminal = false;
    bool stderrIsTerminal = false;
    std::string libraryName = std::string(SatClient::librarySAT);
};

namespace vexorcli {

// 3: the device did what was asked, but the file given with -o could not be written.
enum Exit { success = 0, refused = 1, usage = 2, notWritten = 3 };

// Why a code on the command line is refused.
inline constexpr std::string_view codeOnCommandLine =
    "O código de ativação não é aceito como argumento: outros usuários desta máquina podem ler "
    "os argumentos de um processo.\nUse --code-file ARQUIVO, a variável de ambiente VEXOR_CODE "
    "ou digite o código quando for pedido.";

// The file, under the state folder, where the key of the last sale is kept for the next cancel.
inline constexpr std::string_view lastKeyFile = "last-cfe-key";

// Runs one command line (without the program name) and returns the exit status.
int run(const std::vector<std::string>& arguments, CliEnvironment& environment);

} // namespace vexorcli
