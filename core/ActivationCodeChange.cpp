#include "ActivationCodeChange.h"

#include "AppContext.h"
#include "CodePage.h"
#include "SatClient.h"

ActivationCodeChange::ActivationCodeChange(SatClient& client) : client_(client) {}

Outcome ActivationCodeChange::change(const Fields& fields)
{
    if (codepage::toAnsi(fields.newCode).size() < minimumCodeLength)
        return Outcome::badInput(std::string(newCodeTooShort));
    if (!fits(fields.newCode))
        return Outcome::badInput(std::string(AppContext::codeTooLong));
    if (fields.newCode != fields.confirmation)
        return Outcome::badInput(std::string(codesDiffer));
    return send(fields);
}

Outcome ActivationCodeChange::changeWithoutChecks(const Fields& fields)
{
    if (!fits(fields.newCode))
        return Outcome::badInput(std::string(AppContext::codeTooLong));
    return send(fields);
}

bool ActivationCodeChange::fits(std::string_view newCode)
{
    // The access dialog could never take a longer code: the device would be locked out of
    // this program.
    return codepage::toAnsi(newCode).size() <= AppContext::maxActivationCodeLength;
}

Outcome ActivationCodeChange::send(const Fields& fields)
{
    const SatResponse response = client_.TrocarCodigoDeAtivacao(
        fields.code, static_cast<int>(fields.proof), fields.newCode, fields.confirmation);
    Outcome outcome = reportedOutcome(client_, response, changedCode);
    if (response.reached() && SatClient::isPortFailure(response)) {
        outcome.kind = Outcome::Kind::Transport;
        outcome.messages.insert(outcome.messages.begin(),
                                std::string(SatClient::portFailureMessage));
    }
    return outcome;
}
