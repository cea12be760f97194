#include "OperationalStatus.h"

#include "AppContext.h"
#include "CodePage.h"
#include "MenuState.h"
#include "SatClient.h"

#include <array>

namespace {

std::string formatByPattern(std::string_view field, std::string_view pattern)
{
    std::string out;
    std::size_t next = 0;
    for (const char slot : pattern) {
        if (slot != 'd') {
            out += slot;
            continue;
        }
        if (next >= field.size())
            break;
        out += field[next++];
    }
    return out;
}

bool needsAnotherCall(const SatResponse& answer)
{
    return answer.contains("Erro ao tentar abrir a porta") || answer.contains("Timeout") ||
           answer.contains("pronta");
}

enum class Shown { AsReceived, DateTime, Date };

struct LabelField {
    const char* control;
    std::size_t field;
    Shown shown;
};

// In the order the labels are set.
constexpr std::array<LabelField, 22> labelFields = {{
    {"MemUsada", 17, Shown::AsReceived},
    {"datahora", 18, Shown::DateTime},
    {"Versao", 19, Shown::AsReceived},
    {"VerLayout", 20, Shown::AsReceived},
    {"UltimoCFEEmitido", 21, Shown::AsReceived},
    {nullptr, 28, Shown::AsReceived}, // StatusSAT, set by its own rule
    {"TXSefaz", 24, Shown::DateTime},
    {"DataEmissaoCert", 26, Shown::Date},
    {"VencimentoCert", 27, Shown::Date},
    {"PrimCFE", 22, Shown::AsReceived},
    {"UltimoCFENEmitido", 23, Shown::AsReceived},
    {"Serie", 6, Shown::AsReceived},
    {"StatusLAN", 14, Shown::AsReceived},
    {"Bat", 15, Shown::AsReceived},
    {"MemTot", 16, Shown::AsReceived},
    {"tiporede", 7, Shown::AsReceived},
    {"IpSAT", 8, Shown::AsReceived},
    {"Mask", 10, Shown::AsReceived},
    {"Gateway", 11, Shown::AsReceived},
    {"DNS1", 12, Shown::AsReceived},
    {"DNS2", 13, Shown::AsReceived},
    {"mac", 9, Shown::AsReceived},
}};

} // namespace

const std::array<StatusCaption, 11> statusLeftColumn = {{
    {"Serie", "Número de Série:"},
    {"tiporede", "Tipo Rede:"},
    {"mac", "MAC ADDRESS:"},
    {"IpSAT", "IP:"},
    {"Mask", "Máscara:"},
    {"Gateway", "Gateway:"},
    {"DNS1", "DNS1:"},
    {"DNS2", "DNS2:"},
    {"StatusLAN", "Status WAN:"},
    {"StatusSAT", "Status:"},
    {"TXSefaz", "Última Trans. SF:"},
}};

const std::array<StatusCaption, 11> statusRightColumn = {{
    {"Bat", "Nível Bateria:"},
    {"MemTot", "Memória Total:"},
    {"MemUsada", "Memória Usada:"},
    {"datahora", "Data/Hora:"},
    {"Versao", "Versão SW Básico:"},
    {"VerLayout", "Versão Layoute CFe:"},
    {"UltimoCFEEmitido", "Último CFe Emitido:"},
    {"PrimCFE", "Primeiro CFe não emitido:"},
    {"UltimoCFENEmitido", "Último CFe não emitido:"},
    {"VencimentoCert", "Vencimento Certificado:"},
    {"DataEmissaoCert", "Data Emissão Certificado:"},
}};

std::string formatDeviceDateTime(std::string_view field)
{
    return formatByPattern(field, "dddd/dd/dd dd:dd:dd");
}

std::string formatDeviceDate(std::string_view field)
{
    return formatByPattern(field, "dddd/dd/dd");
}

std::optional<std::string> operationStateText(char state)
{
    switch (state) {
    case '0':
        return "Desbloqueado";
    case '1':
        return "Bloqueio SEFAZ";
    case '2':
        return "Bloqueio Contribuinte";
    case '3':
        return "Bloqueio Autônomo";
    case '4':
        return "Bloqueio para desativação";
    default:
        return std::nullopt;
    }
}

StatusQuery::StatusQuery(AppContext& context, SatClient& client, MenuState& menu)
    : context_(context), client_(client), menu_(menu)
{
}

StatusQuery::Answer StatusQuery::ask()
{
    Answer asked;
    for (int call = 1;; ++call) {
        asked.response = client_.ConsultarStatusOperacional();
        if (!asked.response.reached()) {
            asked.failure = asked.response.failure();
            return asked;
        }
        if (!needsAnotherCall(asked.response))
            return asked;
        if (call == maxCalls) {
            asked.failure = std::string(SatClient::portFailureMessage);
            return asked;
        }
    }
}

StatusQuery::Status StatusQuery::settle(const Answer& asked)
{
    Status status;
    if (asked.failure) {
        status.kind = Outcome::Kind::Transport;
        status.messages.push_back(*asked.failure);
        return status;
    }
    const SatResponse& answer = asked.response;
    if (!answer.contains("Sucesso") && !answer.contains("sucesso")) {
        const std::string decoded = answer.utf8();
        if (decoded.find("Código de ativação inválido") != std::string::npos) {
            context_.clearActivationCode();
            for (const char* control : {"GroupBox3", "GroupBox4", "Panel18", "Panel20", "Panel5"})
                menu_.hide(control);
        }
        status.kind = Outcome::Kind::Refused;
        status.messages.push_back(decoded);
        return status;
    }

    if (context_.deviceKind == DeviceKind::Kit) {
        menu_.disable("Panel18");
        menu_.hide("Panel18");
    } else {
        menu_.show("Panel18");
        menu_.enable("Panel18");
        menu_.enable("Panel4");
        // A tile left hidden by an earlier confirmation as a kit would be unreachable.
        menu_.show("Panel4");
    }
    for (const char* control : {"Panel7", "Panel8", "GroupBox1", "GroupBox2", "GroupBox4",
                                "GroupBox3", "Panel20", "Panel5"})
        menu_.show(control);

    status.line = answer.fromAnsi();
    status.labels = statusLabels(answer);
    if (answer.field(19) == std::optional<std::string_view>("01.00.00"))
        status.warning = std::string(firmwareMessage);
    return status;
}

std::vector<StatusLabel> statusLabels(const SatResponse& answer)
{
    std::vector<StatusLabel> labels;
    for (const LabelField& label : labelFields) {
        // A field the answer does not hold empties its label: nothing from an earlier answer
        // may pass for this one's value.
        const std::string_view field = answer.field(label.field).value_or(std::string_view());
        if (!label.control) {
            if (!answer.field(28)) {
                labels.push_back({"StatusSAT", ""});
            } else if (!field.empty()) {
                if (auto state = operationStateText(field.front()))
                    labels.push_back({"StatusSAT", *state});
            }
            continue;
        }
        std::string text;
        switch (label.shown) {
        case Shown::AsReceived:
            text = std::string(field);
            break;
        case Shown::DateTime:
            text = formatDeviceDateTime(field);
            break;
        case Shown::Date:
            text = formatDeviceDate(field);
            break;
        }
        labels.push_back({label.control, codepage::fromAnsi(text)});
    }
    return labels;
}
