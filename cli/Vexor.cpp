#include "Vexor.h"

#include "Access.h"
#include "AppContext.h"
#include "CodeFile.h"
#include "CodePage.h"
#include "DeviceLock.h"
#include "DeviceTest.h"
#include "Json.h"
#include "LogExtractor.h"
#include "MenuState.h"
#include "OperationalStatus.h"
#include "Operator.h"
#include "SaleTest.h"
#include "SoftwareUpdate.h"
#include "Terminal.h"
#include "TextFile.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <thread>

namespace vexorcli {
namespace {

const char* const generalHelp =
    "Uso: vexor [opções] COMANDO [argumentos]\n"
    "\n"
    "Opera o SAT pela biblioteca do equipamento, como as telas do TORVAL VEXOR Manager.\n"
    "\n"
    "Comandos:\n"
    "  status                  status operacional do SAT\n"
    "  logs [-o ARQUIVO]       extrai os logs do SAT\n"
    "  test sefaz|sat          teste fim a fim (SEFAZ) ou de comunicação com o SAT\n"
    "  sale ARQUIVO [-o CFE]   envia uma venda de teste\n"
    "  cancel ARQUIVO [--key CHAVE]  cancela a última venda\n"
    "  block                   bloqueia o SAT\n"
    "  unblock                 desbloqueia o SAT\n"
    "  update                  atualiza o software do SAT\n"
    "\n"
    "Opções:\n"
    "  --kind kit|activated|not-activated\n"
    "                          tipo de equipamento (padrão: kit); not-activated usa o código\n"
    "                          de ativação padrão\n"
    "  --code-file ARQUIVO     lê o código de ativação da primeira linha do arquivo, que\n"
    "                          deve ser um arquivo comum; avisa se outros usuários da\n"
    "                          máquina têm acesso a ele\n"
    "  --json                  imprime um objeto JSON com o resultado\n"
    "  --help                  mostra esta ajuda; vexor COMANDO --help mostra a do comando\n"
    "\n"
    "Sem --code-file, o código vem da variável de ambiente VEXOR_CODE ou é pedido no terminal,\n"
    "sem eco.\n"
    "\n"
    "Saída: 0 sucesso, 1 o SAT recusou a operação, 2 uso incorreto ou biblioteca do SAT\n"
    "ausente, 3 o SAT atendeu, mas não foi possível gravar o arquivo de -o.\n";

struct CommandHelp {
    std::string_view name;
    const char* text;
};

const CommandHelp commandHelps[] = {
    {"status",
     "Uso: vexor status [opções]\n"
     "\n"
     "Consulta o status operacional do SAT e mostra os valores do grupo Informações,\n"
     "com o estado de bloqueio. Um firmware desatualizado é avisado na saída de erros.\n"},
    {"logs", "Uso: vexor logs [-o ARQUIVO] [opções]\n"
             "\n"
             "Extrai os logs do SAT e mostra uma linha numerada por registro, como a tela Logs.\n"
             "  -o ARQUIVO   salva as linhas no arquivo, como a tela salva\n"},
    {"test", "Uso: vexor test sefaz|sat [opções]\n"
             "\n"
             "  sefaz   teste fim a fim, com a venda de teste, pela SEFAZ\n"
             "  sat     teste de comunicação com o SAT\n"},
    {"sale", "Uso: vexor sale ARQUIVO [-o CFE] [opções]\n"
             "\n"
             "Envia o XML de venda do ARQUIVO ao SAT e mostra a resposta. A chave do CF-e\n"
             "devolvido fica guardada para o próximo vexor cancel. Um ARQUIVO de mais de\n"
             "2.097.152 bytes é recusado.\n"
             "  -o CFE   salva o CF-e devolvido no arquivo\n"},
    {"cancel", "Uso: vexor cancel ARQUIVO [--key CHAVE] [opções]\n"
               "\n"
               "Cancela a última venda com o XML de cancelamento do ARQUIVO. A chave é a da\n"
               "última venda feita com vexor sale, ou a dada em --key. Um ARQUIVO de mais de\n"
               "2.097.152 bytes é recusado.\n"
               "  --key CHAVE   a chave do CF-e a cancelar: \"CFe\" seguido de 44 dígitos\n"
               "\n"
               "Uma chave guardada que não tenha essa forma é ignorada, com um aviso.\n"},
    {"block", "Uso: vexor block [opções]\n\nBloqueia o SAT.\n"},
    {"unblock", "Uso: vexor unblock [opções]\n\nDesbloqueia o SAT.\n"},
    {"update", "Uso: vexor update [opções]\n"
               "\n"
               "Atualiza o software do SAT. No terminal, uma barra avança um passo por segundo\n"
               "enquanto o SAT trabalha.\n"},
};

const char* helpFor(std::string_view command) {
    for (const CommandHelp& help : commandHelps) {
        if (help.name == command)
            return help.text;
    }
    return nullptr;
}

// English names for the values of the status answer, in the order the group shows them.
const std::map<std::string_view, std::string_view> statusNames = {
    {"Serie", "serialNumber"},
    {"tiporede", "networkType"},
    {"mac", "macAddress"},
    {"IpSAT", "ipAddress"},
    {"Mask", "subnetMask"},
    {"Gateway", "gateway"},
    {"DNS1", "dns1"},
    {"DNS2", "dns2"},
    {"StatusLAN", "wanStatus"},
    {"StatusSAT", "lockState"},
    {"TXSefaz", "lastSefazTransmission"},
    {"Bat", "batteryLevel"},
    {"MemTot", "totalMemory"},
    {"MemUsada", "usedMemory"},
    {"datahora", "dateTime"},
    {"Versao", "softwareVersion"},
    {"VerLayout", "layoutVersion"},
    {"UltimoCFEEmitido", "lastCfeIssued"},
    {"PrimCFE", "firstCfeNotIssued"},
    {"UltimoCFENEmitido", "lastCfeNotIssued"},
    {"VencimentoCert", "certificateExpiry"},
    {"DataEmissaoCert", "certificateIssued"},
};

std::string badKeyMessage(std::string_view key) {
    return "A chave \"" + std::string(key) +
           "\" não é uma chave de CF-e: \"CFe\" seguido de 44 dígitos.";
}

std::string badKeptKeyMessage(std::string_view path) {
    return "A chave guardada em \"" + std::string(path) +
           "\" não é uma chave de CF-e e foi ignorada; o cancelamento vai sem chave.";
}

std::string fileTooLongMessage(std::string_view path) {
    return "O arquivo \"" + std::string(path) +
           "\" passa de 2.097.152 bytes e não foi enviado: o SAT receberia o XML cortado.\n"
           "Carregue um arquivo menor.";
}

struct Options {
    bool json = false;
    bool help = false;
    std::optional<std::string> kind;
    std::optional<std::string> codeFile;
    std::optional<std::string> output;
    std::optional<std::string> key;
    bool codeArgument = false;
    std::vector<std::string> operands;
    std::string error;
};

Options parse(const std::vector<std::string>& arguments) {
    Options o;
    auto valueOf = [&](std::size_t& i, std::string_view name) -> std::optional<std::string> {
        const std::string& a = arguments[i];
        if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=')
            return a.substr(name.size() + 1);
        if (i + 1 >= arguments.size()) {
            o.error = "A opção " + std::string(name) + " precisa de um valor.";
            return std::nullopt;
        }
        return arguments[++i];
    };
    auto is = [](const std::string& a, std::string_view name) {
        return a == name || (a.size() > name.size() && a.compare(0, name.size(), name) == 0 &&
                             a[name.size()] == '=');
    };
    bool operandsOnly = false;
    for (std::size_t i = 0; i < arguments.size() && o.error.empty(); ++i) {
        const std::string& a = arguments[i];
        if (operandsOnly || a.empty() || a[0] != '-' || a == "-") {
            o.operands.push_back(a);
        } else if (a == "--") {
            operandsOnly = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (is(a, "--code-file")) {
            o.codeFile = valueOf(i, "--code-file");
        } else if (is(a, "--code")) {
            // Never read the value: it has already been exposed, and must not be used.
            o.codeArgument = true;
            if (a == "--code" && i + 1 < arguments.size())
                ++i;
        } else if (is(a, "--kind")) {
            o.kind = valueOf(i, "--kind");
        } else if (a == "-o" || is(a, "--output")) {
            o.output = valueOf(i, a == "-o" ? "-o" : "--output");
        } else if (is(a, "--key")) {
            o.key = valueOf(i, "--key");
        } else {
            o.error = "Opção desconhecida: " + a;
        }
    }
    return o;
}

// What a command hands back to be printed.
struct Result {
    int exit = success;
    std::vector<std::string> lines;    // the data the screen shows in its areas
    std::vector<std::string> messages; // the message boxes, in order
    std::optional<std::string> warning;
    json::Object fields; // the command's own JSON members
};

// A text area's entry as its lines, without their line ends; none for no entry.
std::vector<std::string> entryLines(const std::optional<std::string>& entry) {
    std::vector<std::string> out;
    if (!entry)
        return out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t feed = entry->find('\n', start);
        std::string line = entry->substr(start, feed - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(std::move(line));
        if (feed == std::string::npos)
            return out;
        start = feed + 1;
    }
}

// A bar the update's tick moves, drawn on the terminal when there is one.
class Progress : public ProgressSink, public TickSwitch {
public:
    Progress(std::ostream& out, bool draw) : out_(out), draw_(draw) {}
    void setProgress(int value) override {
        value_ = value;
        if (!draw_)
            return;
        const int filled = value * 40 / SoftwareUpdate::maxProgress;
        out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(40 - filled), ' ') << "] " << value << "%"
             << std::flush;
    }
    int progress() const override { return value_; }
    void setTicking(bool on) override { ticking_ = on; }
    bool ticking() const { return ticking_; }
    // Clears the bar so that what follows starts on a clean line.
    void erase() {
        if (draw_)
            out_ << "\r" << std::string(50, ' ') << "\r" << std::flush;
    }
    // Leaves the bar as it is and ends its line.
    void endLine() {
        if (draw_)
            out_ << "\n" << std::flush;
    }

private:
    std::ostream& out_;
    bool draw_;
    int value_ = 0;
    bool ticking_ = false;
};

// Runs a long device call on a worker thread while the terminal shows that it is alive; with
// no terminal the call simply runs here.
template <typename Work, typename Tick> void whileWorking(bool onTerminal, Work work, Tick tick) {
    if (!onTerminal) {
        work();
        return;
    }
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    auto next = std::chrono::steady_clock::now();
    while (!done) {
        next += std::chrono::milliseconds(SoftwareUpdate::tickIntervalMs);
        while (!done && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!done)
            tick();
    }
    worker.join();
}

std::filesystem::path stateFolder(const CliEnvironment& env) {
#if defined(_WIN32)
    if (auto local = env.variable("LOCALAPPDATA"); local && !local->empty())
        return std::filesystem::u8path(*local) / "vexor";
#else
    if (auto state = env.variable("XDG_STATE_HOME"); state && !state->empty())
        return std::filesystem::u8path(*state) / "vexor";
    if (auto home = env.variable("HOME"); home && !home->empty())
        return std::filesystem::u8path(*home) / ".local" / "state" / "vexor";
#endif
    return {};
}

std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path lastKeyPath(const CliEnvironment& env) {
    const std::filesystem::path folder = stateFolder(env);
    return folder.empty() ? folder : folder / lastKeyFile;
}

// Device texts, file names and messages as printed: on a terminal their control characters
// are escaped, into a pipe or a file they go as they are.
std::string shownOnOutput(const CliEnvironment& env, std::string_view text) {
    return env.stdoutIsTerminal ? terminal::visible(text) : std::string(text);
}

std::string shownOnError(const CliEnvironment& env, std::string_view text) {
    return env.stderrIsTerminal ? terminal::visible(text) : std::string(text);
}

class Command {
public:
    Command(CliEnvironment& env, const Options& options)
        : env_(env), options_(options), client_(context_, env.libraryName),
          showProgress_(env.stdoutIsTerminal && !options.json) {}

    // Stores the kind and the code the way the access dialog does; false (with the reason in
    // the result) when no usable code was given.
    bool access(Result& result) {
        const std::string kind = options_.kind.value_or("kit");
        if (kind == "kit") {
            context_.deviceKind = DeviceKind::Kit;
        } else if (kind == "activated") {
            context_.deviceKind = DeviceKind::ProductionActivated;
        } else if (kind == "not-activated") {
            context_.deviceKind = DeviceKind::ProductionNotActivated;
            context_.setActivationCode(SatClient::defaultActivationCode);
            return true;
        } else {
            result.messages.push_back("Tipo de equipamento desconhecido: " + kind +
                                      " (use kit, activated ou not-activated).");
            return false;
        }

        std::optional<std::string> code;
        if (options_.codeFile) {
            codefile::Read read = codefile::read(*options_.codeFile);
            if (!read.code) {
                result.messages.push_back(read.error);
                return false;
            }
            // Told at once, on the error stream: the command goes on.
            if (!read.warning.empty())
                env_.err << "vexor: " << shownOnError(env_, read.warning) << "\n" << std::flush;
            code = std::move(read.code);
        } else if (auto variable = env_.variable("VEXOR_CODE")) {
            code = *variable;
        } else if (env_.readSecret) {
            code = env_.readSecret(std::string(AccessConfirmation::codeCaption) + ": ");
        }
        if (!code || code->empty()) {
            result.messages.emplace_back(AccessConfirmation::codeRequired);
            return false;
        }
        if (!context_.setActivationCode(codepage::toAnsi(*code))) {
            result.messages.emplace_back(AppContext::codeTooLong);
            return false;
        }
        return true;
    }

    // The exit status of a command whose device calls have been made: a library that could
    // not be loaded is a missing library, not a refusal.
    int outcome(bool succeeded) const {
        if (!client_.libraryLoaded())
            return usage;
        return succeeded ? success : refused;
    }

    // A file that -o could not write has a status of its own: the device did its part, and a
    // script must not take a refusal for it.
    static int withOutput(int deviceOutcome, bool written) {
        return deviceOutcome == success && !written ? notWritten : deviceOutcome;
    }

    // The error record the standard report read, and whether it holds the expected reply.
    // An operation's outcome as it is: its messages, its error record and its exit status.
    Result presented(const Outcome& outcome) const {
        Result r;
        recorded(outcome.record, r);
        r.messages = outcome.messages;
        r.exit = this->outcome(outcome.kind == Outcome::Kind::Done);
        return r;
    }

    static void recorded(const std::optional<SatClient::Error>& error, Result& result) {
        if (error)
            result.fields.number("errorCode", error->code).text("errorMessage", error->msg);
        else
            result.fields.null("errorCode").null("errorMessage");
    }

    Result status() {
        Result r;
        MenuState menu;
        const StatusQuery::Status status = StatusQuery(context_, client_, menu).refresh();
        r.messages = status.messages;
        r.warning = status.warning;
        r.exit = outcome(status.ok());
        if (!status.ok()) {
            r.fields.null("answer").null("values");
            return r;
        }
        r.fields.text("answer", status.line.value_or(std::string()));
        std::map<std::string_view, std::string> labels;
        for (const StatusLabel& label : status.labels)
            labels[label.control] = label.text;
        const auto lock = labels.find("StatusSAT");
        const std::optional<std::string> lockState =
            lock == labels.end() ? std::nullopt : std::optional(lock->second);
        json::Object values;
        for (const auto* column : {&statusLeftColumn, &statusRightColumn}) {
            for (const StatusCaption& c : *column) {
                const std::string& value = labels[c.control];
                r.lines.push_back(std::string(c.caption) + " " + value);
                values.text(statusNames.at(c.control), value);
            }
        }
        r.fields.raw("values", values.str());
        if (lockState)
            r.fields.text("lockState", *lockState);
        else
            r.fields.null("lockState");
        return r;
    }

    Result logs() {
        Result r;
        LogExtractor extractor(client_);
        Progress progress(env_.out, showProgress_);
        LogExtractor::Extracted extracted;
        int seconds = 0;
        whileWorking(
            showProgress_, [&] { extracted = extractor.extract(); },
            [&] { env_.out << "\r" << ++seconds << " s" << std::flush; });
        if (seconds > 0)
            progress.erase();
        // Each display line ends with a line feed.
        for (std::string_view text = extracted.lines.text(); !text.empty();) {
            const std::size_t feed = text.find('\n');
            r.lines.push_back(codepage::fromUtf8(text.substr(0, feed)));
            text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
        }
        bool written = true;
        r.messages = extracted.messages;
        const bool ok = extracted.kind == Outcome::Kind::Done;
        if (ok && options_.output) {
            if (const auto failure = LogExtractor::saveLog(*options_.output, r.lines)) {
                r.messages.push_back(*failure);
                written = false;
            }
            r.fields.text("file", *options_.output);
        } else {
            r.fields.null("file");
        }
        r.exit = withOutput(outcome(ok), written);
        r.fields.texts("lines", r.lines);
        return r;
    }

    Result test(const std::string& which) {
        DeviceTest tests(client_);
        Result r = presented(
            tests.perform(which == "sefaz" ? DeviceTest::Kind::EndToEnd : DeviceTest::Kind::Link));
        r.fields.text("test", which);
        return r;
    }

    Result lock(bool block) {
        DeviceLock lock(client_);
        return presented(block ? lock.block() : lock.unblock());
    }

    Result update() {
        Progress progress(env_.out, showProgress_);
        SoftwareUpdate updater(client_, progress, progress);
        updater.begin();
        Outcome outcome;
        whileWorking(
            showProgress_, [&] { outcome = updater.update(); }, [&] { updater.tick(); });
        progress.erase();
        updater.reporting();
        updater.finish();
        progress.endLine();
        return presented(outcome);
    }

    Result sale(const std::string& file, bool cancel) {
        Result r;
        SaleTest sales(client_);
        const std::filesystem::path keyPath = lastKeyPath(env_);
        if (!cancel && !keyPath.empty()) {
            // Written before the library is called again: a library that crashes after
            // accepting the sale must not leave the previous sale's key for the next cancel.
            sales.setKeyListener([&](const std::string& key) {
                std::error_code ignored;
                std::filesystem::create_directories(keyPath.parent_path(), ignored);
                const textfile::WriteResult kept =
                    textfile::writeBytes(utf8Path(keyPath), key + "\n");
                if (!kept.ok)
                    r.warning = kept.error;
            });
        }
        if (cancel) {
            if (options_.key) {
                sales.rememberKey(*options_.key); // checked before any call
            } else if (!keyPath.empty()) {
                std::ifstream kept(keyPath, std::ios::binary);
                std::string key;
                if (kept) {
                    std::getline(kept, key);
                    if (!key.empty() && key.back() == '\r')
                        key.pop_back();
                    if (!sales.rememberKey(key))
                        r.warning = badKeptKeyMessage(utf8Path(keyPath));
                }
            }
        }
        const SaleTest::Loaded loaded = sales.load(file);
        if (sales.inputCut()) {
            // The screen sends the start of such a file; a command that went on unseen would
            // send a broken document.
            r.messages.push_back(fileTooLongMessage(file));
            r.exit = usage;
            r.fields.null("key").null("answer").null("cfe");
            return r;
        }
        if (loaded.message)
            r.messages.push_back(*loaded.message);
        const SaleTest::Reply reply =
            sales.send(cancel ? SaleTest::Operation::Cancel : SaleTest::Operation::Sale);
        r.messages.insert(r.messages.end(), reply.messages.begin(), reply.messages.end());
        const std::vector<std::string> cfeLines = entryLines(reply.output);
        bool written = true;
        if (reply.done() && options_.output) {
            if (!SaleTest::holdsOutput(cfeLines)) {
                r.messages.emplace_back(SaleTest::nothingToSaveMessage);
                written = false;
            } else if (const auto saved = SaleTest::saveOutput(*options_.output, cfeLines);
                       !saved.ok) {
                r.messages.push_back(saved.error);
                written = false;
            }
        }
        r.lines = entryLines(reply.answer);
        if (!options_.output)
            r.lines.insert(r.lines.end(), cfeLines.begin(), cfeLines.end());
        r.fields.text("key", sales.cfeKey());
        r.fields.text("answer", reply.answer.value_or(""));
        r.fields.text("cfe", reply.output.value_or(""));
        if (options_.output)
            r.fields.text("file", *options_.output);
        // A document that could not be read is the operator's mistake, not the device's.
        r.exit = loaded.entry ? withOutput(outcome(reply.done()), written) : usage;
        return r;
    }

private:
    CliEnvironment& env_;
    const Options& options_;
    AppContext context_;
    SatClient client_;
    // Progress goes to the terminal only: never into a pipe, a file or the JSON object.
    bool showProgress_;
};

void print(CliEnvironment& env, const Options& options, const std::string& command,
           Result& result) {
    if (options.json) {
        json::Object object;
        object.text("command", command)
            .number("exitCode", result.exit)
            .boolean("ok", result.exit == success);
        object.texts("messages", result.messages);
        if (result.warning)
            object.text("warning", *result.warning);
        else
            object.null("warning");
        std::string body = object.str();
        std::string extra = result.fields.str();
        if (extra.size() > 2) {
            body.pop_back();
            body += ',';
            body += extra.substr(1);
        }
        env.out << body << "\n";
        return;
    }
    for (const std::string& line : result.lines)
        env.out << shownOnOutput(env, line) << "\n";
    const bool onOutput = result.exit == success;
    for (const std::string& message : result.messages)
        (onOutput ? env.out : env.err)
            << (onOutput ? shownOnOutput(env, message) : shownOnError(env, message)) << "\n";
    if (result.warning)
        env.err << "vexor: " << shownOnError(env, *result.warning) << "\n";
    env.out.flush();
    env.err.flush();
}

int usageError(CliEnvironment& env, const Options& options, const std::string& command,
               const std::string& message) {
    Result r;
    r.exit = usage;
    r.messages.push_back(message);
    if (!options.json)
        r.messages.emplace_back("Use vexor --help.");
    print(env, options, command, r);
    return usage;
}

} // namespace

int run(const std::vector<std::string>& arguments, CliEnvironment& env) {
    const Options options = parse(arguments);
    const std::string command = options.operands.empty() ? std::string() : options.operands[0];
    if (options.codeArgument) {
        Result r;
        r.exit = usage;
        r.messages.emplace_back(codeOnCommandLine);
        print(env, options, command, r);
        return usage;
    }
    if (!options.error.empty())
        return usageError(env, options, command, options.error);
    if (command.empty()) {
        if (options.help) {
            env.out << generalHelp;
            return success;
        }
        return usageError(env, options, command, "Falta o comando.");
    }
    const char* help = helpFor(command);
    if (!help)
        return usageError(env, options, command, "Comando desconhecido: " + command);
    if (options.help) {
        env.out << help;
        return success;
    }

    const std::vector<std::string> operands(options.operands.begin() + 1, options.operands.end());
    const bool takesFile = command == "sale" || command == "cancel";
    const std::size_t wanted = takesFile || command == "test" ? 1 : 0;
    if (operands.size() != wanted)
        return usageError(env, options, command, std::string("Argumentos incorretos.\n") + help);
    if (command == "test" && operands[0] != "sefaz" && operands[0] != "sat")
        return usageError(env, options, command, std::string("Argumentos incorretos.\n") + help);
    if (options.output && command != "logs" && command != "sale")
        return usageError(env, options, command, "A opção -o vale só para logs e sale.");
    if (options.key && command != "cancel")
        return usageError(env, options, command, "A opção --key vale só para cancel.");
    if (options.key && !SaleTest::isKey(*options.key))
        return usageError(env, options, command, badKeyMessage(*options.key));

    Command session(env, options);
    Result result;
    if (!session.access(result)) {
        result.exit = usage;
        print(env, options, command, result);
        return usage;
    }
    if (command == "status")
        result = session.status();
    else if (command == "logs")
        result = session.logs();
    else if (command == "test")
        result = session.test(operands[0]);
    else if (command == "sale" || command == "cancel")
        result = session.sale(operands[0], command == "cancel");
    else if (command == "block" || command == "unblock")
        result = session.lock(command == "block");
    else
        result = session.update();
    print(env, options, command, result);
    return result.exit;
}

} // namespace vexorcli
