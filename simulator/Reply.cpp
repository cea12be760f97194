#include "Reply.h"

#include "Texts.h"

#include <algorithm>
#include <cctype>

namespace satsim {

std::string_view functionName(Function function)
{
    switch (function) {
    case Function::AtivarSAT:
        return "AtivarSAT";
    case Function::EnviarDadosVenda:
        return "EnviarDadosVenda";
    case Function::CancelarUltimaVenda:
        return "CancelarUltimaVenda";
    case Function::ConsultarSAT:
        return "ConsultarSAT";
    case Function::TesteFimAFim:
        return "TesteFimAFim";
    case Function::ConsultarStatusOperacional:
        return "ConsultarStatusOperacional";
    case Function::ConfigurarInterfaceDeRede:
        return "ConfigurarInterfaceDeRede";
    case Function::AssociarAssinatura:
        return "AssociarAssinatura";
    case Function::AtualizarSoftwareSAT:
        return "AtualizarSoftwareSAT";
    case Function::ExtrairLogs:
        return "ExtrairLogs";
    case Function::BloquearSAT:
        return "BloquearSAT";
    case Function::DesbloquearSAT:
        return "DesbloquearSAT";
    case Function::TrocarCodigoDeAtivacao:
        return "TrocarCodigoDeAtivacao";
    case Function::ComunicarCertificadoICPBRASIL:
        return "ComunicarCertificadoICPBRASIL";
    case Function::ConsultarNumeroSessao:
        return "ConsultarNumeroSessao";
    case Function::ConsultarUltimaSessaoFiscal:
        return "ConsultarUltimaSessaoFiscal";
    }
    return {};
}

std::optional<Function> functionByName(std::string_view name)
{
    auto lower = [](std::string_view text) {
        std::string out(text);
        std::transform(out.begin(), out.end(), out.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return out;
    };
    for (const Function f : allFunctions)
        if (lower(functionName(f)) == lower(name))
            return f;
    return std::nullopt;
}

int codeBase(Function function)
{
    switch (function) {
    case Function::AtivarSAT:
        return 4;
    case Function::EnviarDadosVenda:
        return 6;
    case Function::CancelarUltimaVenda:
        return 7;
    case Function::ConsultarSAT:
        return 8;
    case Function::TesteFimAFim:
        return 9;
    case Function::ConsultarStatusOperacional:
        return 10;
    case Function::ConfigurarInterfaceDeRede:
        return 12;
    case Function::AssociarAssinatura:
        return 13;
    case Function::AtualizarSoftwareSAT:
        return 14;
    case Function::ExtrairLogs:
        return 15;
    case Function::BloquearSAT:
        return 16;
    case Function::DesbloquearSAT:
        return 17;
    case Function::TrocarCodigoDeAtivacao:
        return 18;
    case Function::ComunicarCertificadoICPBRASIL:
        return 5;
    case Function::ConsultarNumeroSessao:
        return 11;
    case Function::ConsultarUltimaSessaoFiscal:
        return 19;
    }
    return 0;
}

Reply answer(int session, int code, std::string_view message,
             const std::vector<std::string>& fields, std::optional<std::string_view> alertCode)
{
    Reply reply;
    reply.code = code;
    // The message is one field of the answer: no bar and no line break may split it.
    reply.message = printable(message, 1000);
    reply.text = padded(session, 6) + "|" + padded(code, 5) + "|";
    if (alertCode)
        reply.text += std::string(*alertCode) + "|";
    reply.text += reply.message;
    for (const std::string& field : fields)
        reply.text += "|" + field;
    return reply;
}

Reply transportFailure(std::string_view text, std::int32_t code, std::string_view message)
{
    Reply reply;
    reply.text = text;
    reply.code = code;
    reply.message = message;
    return reply;
}

} // namespace satsim
