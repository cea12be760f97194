#include "DeviceState.h"

#include "Texts.h"

#include <charconv>
#include <functional>
#include <map>

namespace satsim {

namespace {

constexpr std::string_view header = "satsim-estado 1";

// Values keep their bytes; only the backslash and control characters are escaped, so every
// value stays on its line and the file stays readable.
std::string escape(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && hexValue(text[i + 2]) >= 0 &&
                   hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

template <typename Int> std::optional<Int> number(std::string_view text)
{
    Int value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

class Writer {
public:
    void text(std::string_view key, std::string_view value)
    {
        out_ += key;
        out_ += '=';
        out_ += escape(value);
        out_ += '\n';
    }
    void integer(std::string_view key, long long value) { text(key, std::to_string(value)); }
    void flag(std::string_view key, bool value) { text(key, value ? "1" : "0"); }
    void record(std::string_view key, const std::vector<std::string>& parts)
    {
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i)
                joined += '\t';
            joined += escape(parts[i]);
        }
        out_ += key;
        out_ += '=';
        out_ += joined; // already escaped: the tab between parts stays a tab
        out_ += '\n';
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

} // namespace

std::string_view faultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "nenhuma";
    case Fault::Timeout:
        return "timeout";
    case Fault::NoCts:
        return "cts";
    case Fault::Unrecognised:
        return "desconhecida";
    case Fault::Busy:
        return "ocupado";
    case Fault::Slow:
        return "lento";
    }
    return "nenhuma";
}

std::optional<Fault> faultByName(std::string_view name)
{
    for (const Fault f :
         {Fault::None, Fault::Timeout, Fault::NoCts, Fault::Unrecognised, Fault::Busy, Fault::Slow})
        if (faultName(f) == name)
            return f;
    return std::nullopt;
}

bool isFiscal(const SessionRecord& record)
{
    return record.function == "EnviarDadosVenda" || record.function == "CancelarUltimaVenda";
}

DeviceState factoryState(DeviceTime now)
{
    DeviceState state;
    addLog(state, now, originSat, "info", "FABRICA",
           "Equipamento SAT " + std::string(serialNumber) + " em estado de fábrica");
    return state;
}

void addLog(DeviceState& state, DeviceTime now, std::string_view origin, std::string_view level,
            std::string_view event, std::string_view message)
{
    std::string record = stamp14(now) + "|" + std::string(origin) + "|" + std::string(level) + "|" +
                         std::string(event) + ":";
    // A record is one line; its message may hold bars and colons but never a line break.
    for (const char c : toUtf8(message))
        record += (c == '\n' || c == '\r') ? ' ' : c;
    state.log.push_back(std::move(record));
    if (state.log.size() > maxLogRecords)
        state.log.erase(state.log.begin(),
                        state.log.begin() +
                            static_cast<std::ptrdiff_t>(state.log.size() - maxLogRecords));
}

std::string logText(const DeviceState& state, DeviceTime now)
{
    std::string text;
    if (state.logLayout == LogLayout::Header)
        text = "LOG SAT " + std::string(serialNumber) + " - " + std::to_string(state.log.size()) +
               " registros - extraido em " + stamp14(now) + "\n";
    for (const std::string& record : state.log) {
        if (state.logLayout == LogLayout::Plain) {
            // The event name goes; the message stays the fourth field.
            std::size_t bar = record.find('|');
            for (int i = 0; i < 2 && bar != std::string::npos; ++i)
                bar = record.find('|', bar + 1);
            const std::size_t colon = bar == std::string::npos ? bar : record.find(':', bar + 1);
            if (colon != std::string::npos) {
                text.append(record, 0, bar + 1);
                text.append(record, colon + 1);
                text += '\n';
                continue;
            }
        }
        text += record;
        text += '\n';
    }
    return text;
}

std::string_view logLayoutName(LogLayout layout)
{
    return layout == LogLayout::Plain ? "plain" : "header";
}

std::optional<LogLayout> logLayoutByName(std::string_view name)
{
    if (name == "header")
        return LogLayout::Header;
    if (name == "plain")
        return LogLayout::Plain;
    return std::nullopt;
}

std::string_view sefazBlockName(SefazBlock setting)
{
    return setting == SefazBlock::None ? "none" : setting == SefazBlock::Held ? "held" : "ready";
}

std::optional<SefazBlock> sefazBlockByName(std::string_view name)
{
    for (const SefazBlock setting : {SefazBlock::Ready, SefazBlock::None, SefazBlock::Held})
        if (sefazBlockName(setting) == name)
            return setting;
    return std::nullopt;
}

std::string_view updateOutcomeName(UpdateOutcome outcome)
{
    switch (outcome) {
    case UpdateOutcome::Running:
        return "running";
    case UpdateOutcome::Error:
        return "error";
    case UpdateOutcome::Invalid:
        return "invalid";
    case UpdateOutcome::Ok:
        break;
    }
    return "ok";
}

std::optional<UpdateOutcome> updateOutcomeByName(std::string_view name)
{
    for (const UpdateOutcome outcome :
         {UpdateOutcome::Ok, UpdateOutcome::Running, UpdateOutcome::Error, UpdateOutcome::Invalid})
        if (updateOutcomeName(outcome) == name)
            return outcome;
    return std::nullopt;
}

std::string serialize(const DeviceState& s)
{
    Writer w;
    std::string out(header);
    out += '\n';
    w.flag("ativado", s.activated);
    w.text("codigo_ativacao", s.activationCode);
    w.text("cnpj_contribuinte", s.taxpayerCnpj);
    w.integer("certificado_tipo", s.certificateKind);
    w.text("certificado_emissao", s.certificateIssued);
    w.text("certificado_vencimento", s.certificateExpires);
    w.flag("associado", s.associated);
    w.text("cnpj_software_house", s.softwareHouseCnpj);
    w.text("assinatura_ac", s.signature);
    const NetworkState& n = s.network;
    w.text("rede_tipo_inter", n.interfaceType);
    w.text("rede_tipo_lan", n.lanType);
    w.text("rede_ip", n.ip);
    w.text("rede_mascara", n.mask);
    w.text("rede_gateway", n.gateway);
    w.text("rede_dns1", n.dns1);
    w.text("rede_dns2", n.dns2);
    w.text("rede_usuario", n.user);
    w.text("rede_senha", n.password);
    w.text("rede_ssid", n.ssid);
    w.text("rede_seguranca", n.security);
    w.text("rede_chave", n.wifiKey);
    w.integer("rede_proxy", n.proxy);
    w.text("rede_proxy_ip", n.proxyIp);
    w.text("rede_proxy_porta", n.proxyPort);
    w.text("rede_proxy_usuario", n.proxyUser);
    w.text("rede_proxy_senha", n.proxyPassword);
    w.integer("bloqueio", s.lockState);
    w.text("versao_sb", s.softwareVersion);
    w.flag("link", s.linkUp);
    w.text("bateria", s.battery);
    w.integer("ultimo_numero", s.lastNumber);
    w.text("ultimo_cfe", s.lastCfeKey);
    w.text("pendente_primeiro", s.pendingFirst);
    w.text("pendente_ultimo", s.pendingLast);
    w.integer("pendentes", s.pendingCount);
    w.integer("ultima_transmissao", s.lastTransmission);
    w.integer("ultima_comunicacao", s.lastCommunication);
    w.integer("memoria_usada", s.storedBytes);
    w.text("venda_chave", s.lastSale.key);
    w.integer("venda_emissao", s.lastSale.issued);
    w.text("venda_total", s.lastSale.total);
    w.text("venda_destinatario", s.lastSale.buyerId);
    w.text("venda_ie", s.lastSale.emitterIE);
    w.text("venda_caixa", s.lastSale.cashier);
    w.flag("venda_cancelada", s.lastSale.cancelled);
    w.integer("relogio_deslocamento", s.clockOffset);
    w.flag("desconectado", s.unplugged);
    w.text("falha", faultName(s.fault.kind));
    w.integer("falha_restantes", s.fault.remaining);
    w.text("falha_funcao", s.fault.function);
    w.integer("falha_segundos", s.fault.seconds);
    for (const ScriptedAnswer& a : s.answers)
        w.record("resposta", {a.function, std::to_string(a.code), std::to_string(a.remaining),
                              a.text, a.message});
    for (const std::string& record : s.log)
        w.text("log", record);
    for (const SessionRecord& r : s.sessions)
        w.record("sessao", {std::to_string(r.session), r.function, std::to_string(r.code),
                            r.message, std::to_string(r.payloadField), r.text});
    w.flag("certificado_recebido", s.certificateReceived);
    w.text("log_leiaute", logLayoutName(s.logLayout));
    w.text("assinatura_chave", s.signingKey);
    w.text("assinatura_certificado", s.signingCertificate);
    w.text("tabelas", tablesName(s.tables));
    w.integer("codigo_erros", s.wrongCodes);
    w.integer("codigo_bloqueio_ate", s.codeBlockUntil);
    w.integer("codigo_bloqueio_segundos", s.codeBlockSeconds);
    w.text("parametrizacao_bloqueio", sefazBlockName(s.sefazBlock));
    w.text("atualizacao", updateOutcomeName(s.update));
    w.integer("regime", s.taxRegime);
    return out + w.take();
}

std::optional<DeviceState> parseState(std::string_view text)
{
    std::vector<std::string_view> lines = split(text, '\n');
    if (lines.empty())
        return std::nullopt;
    auto trimmed = [](std::string_view line) {
        return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
    };
    if (trimmed(lines[0]) != header)
        return std::nullopt;

    DeviceState s;
    bool ok = true;
    auto text_ = [&](std::string& target) {
        return [&target](std::string_view v) {
            auto value = unescape(v);
            if (value)
                target = *value;
            return value.has_value();
        };
    };
    auto int_ = [](auto& target) {
        return [&target](std::string_view v) {
            auto value = number<std::remove_reference_t<decltype(target)>>(v);
            if (value)
                target = *value;
            return value.has_value();
        };
    };
    // A value written by its name: the parse of the name decides.
    auto named_ = [](auto& target, auto byName) {
        return [&target, byName](std::string_view v) {
            auto value = byName(v);
            if (value)
                target = *value;
            return value.has_value();
        };
    };
    auto flag_ = [](bool& target) {
        return [&target](std::string_view v) {
            if (v != "0" && v != "1")
                return false;
            target = v == "1";
            return true;
        };
    };
    NetworkState& n = s.network;
    const std::map<std::string_view, std::function<bool(std::string_view)>> setters = {
        {"ativado", flag_(s.activated)},
        {"codigo_ativacao", text_(s.activationCode)},
        {"cnpj_contribuinte", text_(s.taxpayerCnpj)},
        {"certificado_tipo", int_(s.certificateKind)},
        {"certificado_emissao", text_(s.certificateIssued)},
        {"certificado_vencimento", text_(s.certificateExpires)},
        {"associado", flag_(s.associated)},
        {"cnpj_software_house", text_(s.softwareHouseCnpj)},
        {"assinatura_ac", text_(s.signature)},
        {"rede_tipo_inter", text_(n.interfaceType)},
        {"rede_tipo_lan", text_(n.lanType)},
        {"rede_ip", text_(n.ip)},
        {"rede_mascara", text_(n.mask)},
        {"rede_gateway", text_(n.gateway)},
        {"rede_dns1", text_(n.dns1)},
        {"rede_dns2", text_(n.dns2)},
        {"rede_usuario", text_(n.user)},
        {"rede_senha", text_(n.password)},
        {"rede_ssid", text_(n.ssid)},
        {"rede_seguranca", text_(n.security)},
        {"rede_chave", text_(n.wifiKey)},
        {"rede_proxy", int_(n.proxy)},
        {"rede_proxy_ip", text_(n.proxyIp)},
        {"rede_proxy_porta", text_(n.proxyPort)},
        {"rede_proxy_usuario", text_(n.proxyUser)},
        {"rede_proxy_senha", text_(n.proxyPassword)},
        {"bloqueio", int_(s.lockState)},
        {"versao_sb", text_(s.softwareVersion)},
        {"link", flag_(s.linkUp)},
        {"bateria", text_(s.battery)},
        {"ultimo_numero", int_(s.lastNumber)},
        {"ultimo_cfe", text_(s.lastCfeKey)},
        {"pendente_primeiro", text_(s.pendingFirst)},
        {"pendente_ultimo", text_(s.pendingLast)},
        {"pendentes", int_(s.pendingCount)},
        {"ultima_transmissao", int_(s.lastTransmission)},
        {"ultima_comunicacao", int_(s.lastCommunication)},
        {"memoria_usada", int_(s.storedBytes)},
        {"venda_chave", text_(s.lastSale.key)},
        {"venda_emissao", int_(s.lastSale.issued)},
        {"venda_total", text_(s.lastSale.total)},
        {"venda_destinatario", text_(s.lastSale.buyerId)},
        {"venda_ie", text_(s.lastSale.emitterIE)},
        {"venda_caixa", text_(s.lastSale.cashier)},
        {"venda_cancelada", flag_(s.lastSale.cancelled)},
        {"relogio_deslocamento", int_(s.clockOffset)},
        {"desconectado", flag_(s.unplugged)},
        {"falha", named_(s.fault.kind, faultByName)},
        {"falha_restantes", int_(s.fault.remaining)},
        {"falha_funcao", text_(s.fault.function)},
        {"falha_segundos", int_(s.fault.seconds)},
        {"resposta",
         [&s](std::string_view v) {
             const auto parts = split(v, '\t');
             if (parts.size() != 5)
                 return false;
             ScriptedAnswer a;
             auto function = unescape(parts[0]);
             auto code = number<std::int32_t>(parts[1]);
             auto remaining = number<int>(parts[2]);
             auto answer = unescape(parts[3]);
             auto message = unescape(parts[4]);
             if (!function || !code || !remaining || !answer || !message)
                 return false;
             s.answers.push_back({*function, *answer, *code, *message, *remaining});
             return true;
         }},
        {"sessao",
         [&s](std::string_view v) {
             const auto parts = split(v, '\t');
             if (parts.size() != 6)
                 return false;
             auto session = number<int>(parts[0]);
             auto function = unescape(parts[1]);
             auto code = number<std::int32_t>(parts[2]);
             auto message = unescape(parts[3]);
             auto payloadField = number<std::size_t>(parts[4]);
             auto answer = unescape(parts[5]);
             if (!session || !function || !code || !message || !payloadField || !answer)
                 return false;
             s.sessions.push_back({*session, *function, *code, *message, *answer, *payloadField});
             return true;
         }},
        {"certificado_recebido", flag_(s.certificateReceived)},
        {"assinatura_chave", text_(s.signingKey)},
        {"assinatura_certificado", text_(s.signingCertificate)},
        {"tabelas", named_(s.tables, tablesByName)},
        {"codigo_erros", int_(s.wrongCodes)},
        {"codigo_bloqueio_ate", int_(s.codeBlockUntil)},
        {"codigo_bloqueio_segundos", int_(s.codeBlockSeconds)},
        {"parametrizacao_bloqueio", named_(s.sefazBlock, sefazBlockByName)},
        {"atualizacao", named_(s.update, updateOutcomeByName)},
        {"regime", int_(s.taxRegime)},
        {"log_leiaute", named_(s.logLayout, logLayoutByName)},
        {"log",
         [&s](std::string_view v) {
             auto record = unescape(v);
             if (record)
                 s.log.push_back(*record);
             return record.has_value();
         }},
    };

    for (std::size_t i = 1; i < lines.size() && ok; ++i) {
        const std::string_view line = trimmed(lines[i]);
        if (line.empty())
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            ok = false;
            break;
        }
        const auto setter = setters.find(line.substr(0, equals));
        // Keys of a later version are skipped, not fatal.
        if (setter != setters.end())
            ok = setter->second(line.substr(equals + 1));
    }
    if (!ok || s.lockState < 0 || s.lockState > 4 || s.lastNumber < 0 || s.lastNumber > 999999 ||
        s.pendingCount < 0 || s.network.proxy < 0 || s.network.proxy > 2 || s.wrongCodes < 0 ||
        s.codeBlockSeconds < 0 || s.fault.seconds < 0 || s.fault.seconds > maxSlowSeconds ||
        (s.taxRegime != 0 && s.taxRegime != 1 && s.taxRegime != 3))
        return std::nullopt;
    if (s.log.size() > maxLogRecords)
        s.log.erase(s.log.begin(), s.log.end() - static_cast<std::ptrdiff_t>(maxLogRecords));
    if (s.sessions.size() > maxSessionRecords)
        s.sessions.erase(s.sessions.begin(),
                         s.sessions.end() - static_cast<std::ptrdiff_t>(maxSessionRecords));
    return s;
}

} // namespace satsim
