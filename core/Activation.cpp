#include "Activation.h"

#include "AppContext.h"
#include "Cnpj.h"
#include "CodePage.h"
#include "SatClient.h"

using Kind = Outcome::Kind;

Activation::Reply Activation::activate(const Fields& fields)
{
    Reply reply = call(fields);
    keep(reply);
    return reply;
}

Activation::Reply Activation::call(const Fields& fields) const
{
    Reply reply;
    auto told = [&reply](Kind kind, std::string_view message) {
        reply.kind = kind;
        reply.messages.emplace_back(message);
        return reply;
    };
    std::string cnpj;
    if (!checkCnpj(fields.cnpj, cnpj))
        return told(Kind::BadInput, invalidCnpj);
    // One byte per character in the device's code page.
    const std::string code = codepage::toAnsi(fields.code);
    if (code.size() < minimumCodeLength)
        return told(Kind::BadInput, codeTooShort);
    // A code the program could not keep would activate a device nobody can then open here.
    if (code.size() > AppContext::maxActivationCodeLength)
        return told(Kind::BadInput, AppContext::codeTooLong);
    if (fields.code != fields.confirmation)
        return told(Kind::BadInput, codesDiffer);

    const SatResponse response =
        client_.AtivarSAT(static_cast<int>(fields.certificate), fields.code, cnpj, stateCode);
    if (!response.reached())
        return told(Kind::Transport, response.failure());
    if (SatClient::isPortFailure(response))
        return told(Kind::Transport, portFailure);
    if (response.contains("Sucesso"))
        reply.keptCode = code;

    const SatClient::Error error = client_.lastError();
    if (!error.reached()) {
        // The device did answer: a request it returned is kept even when its record is lost.
        reply.request = certificateRequest(response.text());
        return told(Kind::Transport, error.failure);
    }
    reply.record = error;
    if (const auto transport = SatClient::transportMessage(error.code))
        return told(Kind::Transport, *transport);
    if (error.code == activatedCode) {
        reply.messages.emplace_back(activated);
    } else {
        reply.kind = Kind::Refused;
        reply.windowText = SatClient::detailText(codepage::fromUtf8OrAnsi(error.msg));
    }
    reply.request = certificateRequest(response.text());
    return reply;
}

void Activation::keep(const Reply& reply)
{
    if (reply.keptCode)
        context_.setActivationCode(*reply.keptCode);
}

std::optional<std::string> Activation::certificateRequest(std::string_view response)
{
    const std::size_t begin = response.find("BEGIN");
    if (begin == std::string_view::npos)
        return std::nullopt;
    std::string request;
    const std::string decoded = codepage::fromAnsi(response.substr(begin));
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        if (decoded[i] == '\r') {
            request += '\n';
            if (i + 1 < decoded.size() && decoded[i + 1] == '\n')
                ++i;
        } else {
            request += decoded[i];
        }
    }
    return request;
}
