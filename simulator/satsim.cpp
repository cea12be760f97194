// satsim: looks at and changes the simulated SAT's state file, the same one the simulated
// device library uses, so that faults, time and lock states can be set for tests and training.

#include "Codes.h"
#include "Device.h"
#include "DeviceState.h"
#include "Digits.h"
#include "Reply.h"
#include "Signing.h"
#include "StateStore.h"
#include "Texts.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

using namespace satsim;

namespace {

constexpr const char* helpText = R"(satsim - o SAT simulado do TORVAL VEXOR Manager

Uso: satsim [--state ARQUIVO] COMANDO [ARGUMENTOS]

O estado do SAT simulado fica no arquivo indicado por --state, senão na variável
SATSIM_STATE, senão no local padrão do usuário. A biblioteca simulada (libdllsat.so /
dllsat.dll) e o satsim usam o mesmo arquivo; a biblioteca percebe as mudanças na chamada
seguinte, mesmo com o programa aberto.

Comandos:
  status                      mostra o estado do SAT (ativação, rede, bloqueio, CF-e, relógio,
                              falhas programadas)
  reset                       volta o SAT ao estado de fábrica (apaga ativação, vendas e log;
                              mantém a chave e o certificado de teste)
  certificate                 mostra, em PEM, o certificado de teste (sem valor fiscal) com que
                              o SAT assina os CF-e; cria a chave e o certificado se ainda não
                              existem
  unplug                      desconecta o SAT: toda função responde "Erro ao tentar abrir a
                              porta de comunicacao" (ExtrairLogs: "Erro ao tentar abrir a
                              porta") e CodigoErro dá o código 1
  plug                        conecta o SAT de novo
  fault timeout|cts|unknown|busy [--times N] [--only FUNCAO]
                              programa uma falha: timeout (código 0x8000), sem sinal CTS
                              (0x8001), resposta não reconhecida (4) ou "SAT em processamento"
                              (código XX098 da função); nas próximas N chamadas (padrão: até
                              "fault clear"), de todas as funções ou só de FUNCAO
  fault answer FUNCAO TEXTO [--times N] [--code N] [--message TEXTO]
                              as próximas N chamadas (padrão 1) de FUNCAO devolvem TEXTO;
                              CodigoErro dá o código e a mensagem dos campos 2 e 3 do TEXTO,
                              ou os de --code e --message
  fault slow DURACAO [--times N] [--only FUNCAO]
                              o SAT responde como sempre, mas só depois de DURACAO (90s, 2m;
                              até 10m), e as outras chamadas esperam por ele, como numa chamada
                              que vai à SEFAZ
  fault clear                 remove falhas e respostas programadas (não reconecta o SAT)
  clock                       mostra o relógio do SAT
  clock set AAAAMMDDhhmmss    acerta o relógio do SAT (que continua andando)
  clock advance DURACAO       adianta o relógio: 90s, 31m, 2h, 1d (negativo atrasa)
  clock reset                 relógio do SAT igual ao do computador
  set lock 0|1|2|3|4          estado de bloqueio: 0 Desbloqueado, 1 Bloqueio SEFAZ,
                              2 Bloqueio Contribuinte, 3 Bloqueio Autônomo,
                              4 Bloqueio para desativação
  set link up|down            cabo de rede conectado (CONECTADO) ou não (NAO_CONECTADO)
  set battery ALTO|MEDIO|BAIXO
  set log header|plain        leiaute do log que ExtrairLogs entrega: com linha de cabeçalho e
                              "EVENTO:mensagem" no quarto campo (padrão), ou só registros
                              data|origem|nível|mensagem
  set tables 2016|2015        numeração dos códigos de retorno: a das tabelas em vigor desde
                              2016 (padrão) ou a anterior (CancelarUltimaVenda 07003 a 07007);
                              mantida pelo reset
  set code-block DURACAO      quanto dura o bloqueio de vendas e cancelamentos (06009, 07009)
                              depois de 3 códigos de ativação incorretos seguidos: 10m
                              (padrão), 90s, 1h; 0 desliga o bloqueio
  set sefaz-block ready|none|held
                              a parametrização de bloqueio do contribuinte na SEFAZ: pronta
                              (padrão), inexistente (BloquearSAT dá 16004) ou com o desbloqueio
                              não liberado (DesbloquearSAT dá 17002)
  set update ok|running|error|invalid
                              como termina AtualizarSoftwareSAT: atualiza (padrão), 14002
                              atualização em andamento, 14003 erro na atualização, 14004
                              arquivo de atualização inválido
  set regime auto|1|3         regime tributário do contribuinte na parametrização: 1 Simples
                              Nacional, 3 regime normal; auto (padrão) segue os grupos de ICMS
                              da venda. Grupos incompatíveis dão os alertas 1601 a 1604
  codes                       mostra os códigos que o SAT simulado responde e como obter cada
                              um (as tabelas do README, em Markdown)
  transmit                    transmite à SEFAZ os CF-e pendentes (e encerra um bloqueio
                              autônomo)
  log                         mostra o log de eventos do SAT
  help, --help                esta ajuda

Códigos de demonstração: ativação de fábrica 24681357, emergência 13572468.
)";

struct Usage {
    std::string message;
};

[[noreturn]] void usage(const std::string& message)
{
    throw Usage{message};
}

int toInt(const std::string& text, const char* what)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        usage(std::string(what) + " deve ser um número inteiro: \"" + text + "\"");
    return value;
}

std::int64_t toDuration(const std::string& text)
{
    if (text.size() < 2)
        usage("duração inválida: \"" + text + "\" (exemplos: 90s, 31m, 2h, 1d)");
    const char unit = text.back();
    const std::int64_t factor = unit == 's'   ? 1
                                : unit == 'm' ? 60
                                : unit == 'h' ? 3600
                                : unit == 'd' ? 86400
                                              : 0;
    if (!factor)
        usage("duração inválida: \"" + text + "\" (exemplos: 90s, 31m, 2h, 1d)");
    return static_cast<std::int64_t>(toInt(text.substr(0, text.size() - 1), "a duração")) * factor;
}

Function toFunction(const std::string& name)
{
    const auto function = functionByName(name);
    if (!function)
        usage("função desconhecida: \"" + name + "\"");
    return *function;
}

std::string show(std::string_view bytes)
{
    return printable(bytes, 200);
}

std::string lockName(int state)
{
    static const char* names[] = {"Desbloqueado", "Bloqueio SEFAZ", "Bloqueio Contribuinte",
                                  "Bloqueio Autônomo", "Bloqueio para desativação"};
    return state >= 0 && state <= 4 ? names[state] : "?";
}

std::string faultText(const FaultSetting& fault)
{
    static const char* names[] = {"nenhuma",
                                  "timeout (0x8000)",
                                  "sem sinal CTS (0x8001)",
                                  "resposta não reconhecida (4)",
                                  "SAT em processamento",
                                  "resposta demorada"};
    std::string text = names[static_cast<int>(fault.kind)];
    if (fault.kind == Fault::Slow)
        text += " (" + std::to_string(fault.seconds) + " s)";
    if (fault.kind == Fault::None)
        return text;
    text += fault.function.empty() ? ", em todas as funções" : ", em " + fault.function;
    text += fault.remaining < 0 ? ", até \"satsim fault clear\""
                                : ", nas próximas " + std::to_string(fault.remaining) + " chamadas";
    return text;
}

void printStatus(const DeviceState& s, const StateStore& store)
{
    const DeviceTime now = deviceNow(s.clockOffset);
    std::cout << "Arquivo de estado: " << utf8Path(store.path()) << "\n";
    if (!store.problem().empty())
        std::cout << "Aviso: " << store.problem() << "\n";
    std::cout << "Número de série: " << serialNumber << "\n";
    std::cout << "Porta: " << (s.unplugged ? "desconectada (satsim plug reconecta)" : "conectada")
              << "\n";
    if (s.activated)
        std::cout << "Ativação: ativado para o CNPJ " << s.taxpayerCnpj << ", certificado de "
                  << s.certificateIssued << " a " << s.certificateExpires << "\n";
    else
        std::cout << "Ativação: não ativado (estado de fábrica)\n";
    std::cout << "Código de ativação: " << show(s.activationCode) << "\n";
    std::cout << "Código de emergência: " << emergencyCode << "\n";
    if (s.associated)
        std::cout << "Assinatura: associada à software house " << s.softwareHouseCnpj << ", \""
                  << show(s.signature) << "\"\n";
    else
        std::cout << "Assinatura: não associada\n";
    std::cout << "Bloqueio: " << s.lockState << " " << lockName(s.lockState) << "\n";
    std::cout << "Software básico: " << s.softwareVersion << "\n";
    const NetworkState& n = s.network;
    std::cout << "Rede: " << n.interfaceType << " " << n.lanType;
    if (n.lanType == "IPFIX")
        std::cout << ", IP " << n.ip << ", máscara " << n.mask << ", gateway " << n.gateway
                  << ", DNS " << n.dns1 << " " << n.dns2;
    std::cout << ", proxy " << n.proxy << "\n";
    std::cout << "Link: " << (s.linkUp ? "CONECTADO" : "NAO_CONECTADO")
              << ", bateria: " << s.battery << "\n";
    std::cout << "Leiaute do log: " << logLayoutName(s.logLayout) << "\n";
    std::cout << "Tabelas de códigos: " << tablesName(s.tables) << "\n";
    std::cout << "Códigos de ativação incorretos seguidos: " << s.wrongCodes;
    if (s.codeBlockUntil > now)
        std::cout << ", vendas e cancelamentos bloqueados até " << readable(s.codeBlockUntil);
    std::cout << " (bloqueio de " << s.codeBlockSeconds << " s depois de " << wrongCodesToBlock
              << ")\n";
    std::cout << "Parametrização de bloqueio na SEFAZ: " << sefazBlockName(s.sefazBlock)
              << ", atualização: " << updateOutcomeName(s.update) << ", regime tributário: "
              << (s.taxRegime ? std::to_string(s.taxRegime) : std::string("auto")) << "\n";
    std::cout << "Último CF-e: "
              << (s.lastNumber ? padded(s.lastNumber, 6) + " (" + s.lastCfeKey + ")"
                               : std::string("nenhum"))
              << ", pendentes de transmissão: " << s.pendingCount << "\n";
    if (!s.lastSale.key.empty()) {
        std::cout << "Última venda: " << s.lastSale.key << ", " << readable(s.lastSale.issued)
                  << ", valor " << s.lastSale.total;
        if (s.lastSale.cancelled)
            std::cout << ", cancelada";
        else if (now - s.lastSale.issued <= Device::cancelWindowSeconds)
            std::cout << ", cancelável até "
                      << readable(s.lastSale.issued + Device::cancelWindowSeconds);
        else
            std::cout << ", prazo de cancelamento esgotado";
        std::cout << "\n";
    }
    std::cout << "Relógio: " << readable(now) << " (deslocamento " << s.clockOffset << " s)\n";
    std::cout << "Falha programada: " << faultText(s.fault) << "\n";
    for (const ScriptedAnswer& a : s.answers)
        std::cout << "Resposta programada: " << a.function << " x" << a.remaining << ": \""
                  << show(a.text) << "\" (código " << a.code << ")\n";
    std::cout << "Registros no log: " << s.log.size() << "\n";
}

struct Options {
    int times = 0;
    bool hasTimes = false;
    std::string only;
    std::optional<int> code;
    std::optional<std::string> message;
    std::vector<std::string> words;
};

Options options(const std::vector<std::string>& args, std::size_t from)
{
    Options o;
    for (std::size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                usage("falta o valor de " + a);
            return args[++i];
        };
        if (a == "--times") {
            o.times = toInt(value(), "--times");
            o.hasTimes = true;
            if (o.times < 1)
                usage("--times deve ser 1 ou mais");
        } else if (a == "--only") {
            o.only = std::string(functionName(toFunction(value())));
        } else if (a == "--code") {
            o.code = toInt(value(), "--code");
        } else if (a == "--message") {
            o.message = value();
        } else if (a.rfind("--", 0) == 0) {
            usage("opção desconhecida: " + a);
        } else {
            o.words.push_back(a);
        }
    }
    return o;
}

std::vector<std::string> fields(const std::string& text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = text.find('|', start);
        parts.push_back(text.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos)
            return parts;
        start = bar + 1;
    }
}

// Returns what to print; the state is changed in place.
std::string apply(DeviceState& s, const std::vector<std::string>& args, StateStore& store)
{
    const std::string& command = args[0];
    const DeviceTime now = deviceNow(s.clockOffset);
    auto expect = [&](std::size_t count) {
        if (args.size() != count)
            usage("número errado de argumentos para \"" + command + "\"");
    };
    if (command == "status") {
        expect(1);
        printStatus(s, store);
        return {};
    }
    if (command == "reset") {
        expect(1);
        DeviceState fresh = factoryState(deviceNow(0));
        // The key and certificate belong to the device, as its serial number does: CF-e signed
        // before a reset still verify with the certificate saved then.
        fresh.signingKey = std::move(s.signingKey);
        fresh.signingCertificate = std::move(s.signingCertificate);
        // As its software does: the tables a device follows are not undone by a reset.
        fresh.tables = s.tables;
        s = std::move(fresh);
        return "SAT de volta ao estado de fábrica.";
    }
    if (command == "certificate") {
        expect(1);
        if (s.signingKey.empty() || s.signingCertificate.empty()) {
            SigningIdentity made = makeSigningIdentity(serialNumber);
            s.signingKey = std::move(made.keyPem);
            s.signingCertificate = std::move(made.certificatePem);
        }
        std::string pem = s.signingCertificate;
        if (!pem.empty() && pem.back() == '\n')
            pem.pop_back(); // the line feed comes with the printing
        return pem;
    }
    if (command == "unplug" || command == "plug") {
        expect(1);
        s.unplugged = command == "unplug";
        return s.unplugged ? "SAT desconectado." : "SAT conectado.";
    }
    if (command == "codes") {
        expect(1);
        std::cout << replyCodesMarkdown() << "\n" << rejectionCodesMarkdown();
        return {};
    }
    if (command == "log") {
        expect(1);
        for (const std::string& record : s.log)
            std::cout << record << "\n";
        return {};
    }
    if (command == "transmit") {
        expect(1);
        if (!s.linkUp)
            usage("o SAT está sem conexão de rede (satsim set link up)");
        std::mt19937 unused;
        const int pending = s.pendingCount;
        Device(s, now, unused).transmit();
        return std::to_string(pending) + " CF-e transmitidos à SEFAZ.";
    }
    if (command == "clock") {
        if (args.size() == 1) {
            std::cout << stamp14(now) << "\n";
            return {};
        }
        const std::string& what = args[1];
        if (what == "reset") {
            expect(2);
            s.clockOffset = 0;
        } else if (what == "set") {
            expect(3);
            const auto wanted = parseStamp14(args[2]);
            if (!wanted)
                usage("data e hora inválidas: \"" + args[2] + "\" (use AAAAMMDDhhmmss)");
            s.clockOffset = *wanted - deviceNow(0);
        } else if (what == "advance") {
            expect(3);
            s.clockOffset += toDuration(args[2]);
        } else {
            usage("use clock, clock set, clock advance ou clock reset");
        }
        return "Relógio do SAT: " + readable(deviceNow(s.clockOffset));
    }
    if (command == "set") {
        expect(3);
        const std::string& what = args[1];
        const std::string& value = args[2];
        if (what == "lock") {
            const int lock = toInt(value, "o estado de bloqueio");
            if (lock < 0 || lock > 4)
                usage("o estado de bloqueio vai de 0 a 4");
            if (lock != s.lockState)
                addLog(s, now, originSat, "alerta", lock ? "BLOQUEIO" : "DESBLOQUEIO",
                       "Estado de bloqueio: " + lockName(lock));
            s.lockState = lock;
            return "Bloqueio: " + std::to_string(lock) + " " + lockName(lock);
        }
        if (what == "link") {
            if (value != "up" && value != "down")
                usage("use set link up ou set link down");
            s.linkUp = value == "up";
            return s.linkUp ? "Link: CONECTADO" : "Link: NAO_CONECTADO";
        }
        if (what == "battery") {
            if (value != "ALTO" && value != "MEDIO" && value != "BAIXO")
                usage("use set battery ALTO, MEDIO ou BAIXO");
            s.battery = value;
            return "Bateria: " + value;
        }
        if (what == "log") {
            const auto layout = logLayoutByName(value);
            if (!layout)
                usage("use set log header ou set log plain");
            s.logLayout = *layout;
            return *layout == LogLayout::Header
                       ? "Log: cabeçalho e registros data|origem|nível|EVENTO:mensagem"
                       : "Log: só registros data|origem|nível|mensagem";
        }
        if (what == "tables") {
            const auto tables = tablesByName(value);
            if (!tables)
                usage("use set tables 2016 ou set tables 2015");
            s.tables = *tables;
            return "Tabelas de códigos: " + value;
        }
        if (what == "code-block") {
            const std::int64_t seconds = value == "0" ? 0 : toDuration(value);
            if (seconds < 0)
                usage("a duração do bloqueio não pode ser negativa");
            s.codeBlockSeconds = seconds;
            if (seconds == 0)
                s.codeBlockUntil = 0;
            return seconds ? "Bloqueio por código incorreto: " + std::to_string(seconds) + " s"
                           : std::string("Bloqueio por código incorreto desligado");
        }
        if (what == "sefaz-block") {
            const auto setting = sefazBlockByName(value);
            if (!setting)
                usage("use set sefaz-block ready, none ou held");
            s.sefazBlock = *setting;
            return "Parametrização de bloqueio na SEFAZ: " + value;
        }
        if (what == "update") {
            const auto outcome = updateOutcomeByName(value);
            if (!outcome)
                usage("use set update ok, running, error ou invalid");
            s.update = *outcome;
            return "Atualização: " + value;
        }
        if (what == "regime") {
            if (value != "auto" && value != "1" && value != "3")
                usage("use set regime auto, 1 ou 3");
            s.taxRegime = value == "auto" ? 0 : std::stoi(value);
            return "Regime tributário: " + value;
        }
        usage("use set lock, set link, set battery, set log, set tables, set code-block, "
              "set sefaz-block, set update ou set regime");
    }
    if (command == "fault") {
        if (args.size() < 2)
            usage("falta o tipo de falha");
        const std::string& kind = args[1];
        if (kind == "clear") {
            expect(2);
            s.fault = FaultSetting{};
            s.answers.clear();
            return "Falhas e respostas programadas removidas.";
        }
        Options o = options(args, 2);
        if (kind == "answer") {
            if (o.words.size() != 2)
                usage("use fault answer FUNCAO TEXTO");
            ScriptedAnswer a;
            a.function = std::string(functionName(toFunction(o.words[0])));
            a.text = o.words[1];
            a.remaining = o.hasTimes ? o.times : 1;
            const auto parts = fields(a.text);
            if (parts.size() > 1 && !parts[1].empty() && parts[1].size() <= 6 &&
                allDigits(parts[1]))
                a.code = std::stoi(parts[1]);
            if (parts.size() > 2)
                a.message = parts.size() > 3 && parts[2].size() == 4 && allDigits(parts[2])
                                ? parts[3]
                                : parts[2];
            if (o.code)
                a.code = *o.code;
            if (o.message)
                a.message = *o.message;
            s.answers.push_back(a);
            return "Resposta programada para " + a.function + ".";
        }
        if (kind == "slow") {
            if (o.words.size() != 1 || o.code || o.message)
                usage("use fault slow DURACAO [--times N] [--only FUNCAO]");
            const std::int64_t seconds = toDuration(o.words[0]);
            if (seconds < 1 || seconds > maxSlowSeconds)
                usage("a demora vai de 1 s a " + std::to_string(maxSlowSeconds / 60) + " min");
            s.fault = {Fault::Slow, o.hasTimes ? o.times : -1, o.only, static_cast<int>(seconds)};
            return "Falha programada: " + faultText(s.fault) + ".";
        }
        if (!o.words.empty() || o.code || o.message)
            usage("argumento inesperado para fault " + kind);
        const Fault fault = kind == "timeout"   ? Fault::Timeout
                            : kind == "cts"     ? Fault::NoCts
                            : kind == "unknown" ? Fault::Unrecognised
                            : kind == "busy"    ? Fault::Busy
                                                : Fault::None;
        if (fault == Fault::None)
            usage("falha desconhecida: \"" + kind + "\"");
        s.fault = {fault, o.hasTimes ? o.times : -1, o.only};
        return "Falha programada: " + faultText(s.fault) + ".";
    }
    usage("comando desconhecido: \"" + command + "\"");
}

} // namespace

int main(int argc, char* argv[])
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> statePath;
    if (args.size() >= 2 && args[0] == "--state") {
        statePath = std::filesystem::path(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        std::cout << helpText;
        return args.empty() ? 2 : 0;
    }
    try {
        const std::filesystem::path path = statePath ? *statePath : StateStore::configuredPath();
        // A running manager or point of sale waits while the state is read, changed and kept.
        const StateLock lock(path);
        StateStore store;
        DeviceState& state = store.refresh(path, deviceNow(0));
        const std::string done = apply(state, args, store);
        const std::string error = store.save();
        if (!error.empty()) {
            std::cerr << "satsim: " << error << "\n";
            return 1;
        }
        if (!done.empty())
            std::cout << done << "\n";
        return 0;
    } catch (const Usage& wrong) {
        std::cerr << "satsim: " << wrong.message
                  << "\nUse \"satsim --help\" para ver os "
                     "comandos.\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "satsim: " << error.what() << "\n";
        return 1;
    }
}
