#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The device's functions, their reply-code ranges, and the answers they give.
namespace satsim {

enum class Function {
    AtivarSAT,
    EnviarDadosVenda,
    CancelarUltimaVenda,
    ConsultarSAT,
    TesteFimAFim,
    ConsultarStatusOperacional,
    ConfigurarInterfaceDeRede,
    AssociarAssinatura,
    AtualizarSoftwareSAT,
    ExtrairLogs,
    BloquearSAT,
    DesbloquearSAT,
    TrocarCodigoDeAtivacao,
    ComunicarCertificadoICPBRASIL,
    ConsultarNumeroSessao,
    ConsultarUltimaSessaoFiscal,
};

inline constexpr Function allFunctions[] = {
    Function::AtivarSAT,
    Function::EnviarDadosVenda,
    Function::CancelarUltimaVenda,
    Function::ConsultarSAT,
    Function::TesteFimAFim,
    Function::ConsultarStatusOperacional,
    Function::ConfigurarInterfaceDeRede,
    Function::AssociarAssinatura,
    Function::AtualizarSoftwareSAT,
    Function::ExtrairLogs,
    Function::BloquearSAT,
    Function::DesbloquearSAT,
    Function::TrocarCodigoDeAtivacao,
    Function::ComunicarCertificadoICPBRASIL,
    Function::ConsultarNumeroSessao,
    Function::ConsultarUltimaSessaoFiscal,
};

std::string_view functionName(Function function);
// Case does not matter.
std::optional<Function> functionByName(std::string_view name);
// The thousands of the function's reply codes: 4 for AtivarSAT (04000 to 04099) and so on.
int codeBase(Function function);

// One answer: the result text, the error record CodigoErro gives for it, and the Base64
// payload Base64ToAscii decodes.
struct Reply {
    std::string text;
    std::int32_t code = 0;
    std::string message;
    std::string payload;
};

// "session|code|message|" followed by the further fields (by default the empty SEFAZ code
// and message). With alertCode, a four-digit field follows the reply code, as in the answers
// of sales and cancels.
Reply answer(int session, int code, std::string_view message,
             const std::vector<std::string>& fields = {"", ""},
             std::optional<std::string_view> alertCode = std::nullopt);

// Transport failures: no device answer, only the library's text and error code.
inline constexpr std::string_view portFailureText = "Erro ao tentar abrir a porta de comunicacao";
inline constexpr std::string_view logPortFailureText = "Erro ao tentar abrir a porta";
Reply transportFailure(std::string_view text, std::int32_t code, std::string_view message);

} // namespace satsim
