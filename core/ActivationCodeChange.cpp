#include "ActivationCodeChange.h"

#include "AppContext.h"
#include "CodePage.h"
#include "DeviceReport.h"
#include "Operator.h"
#include "SatClient.h"

ActivationCodeChange::ActivationCodeChange(SatClient& client, MessageSink& messages)
    : client_(client), messages_(messages)
{
}

void ActivationCodeChange::change(const Fields& fields)
{
    if (codepage::toAnsi(fields.newCode).size() < minimumCodeLength) {
        messages_.showMessage(newCodeTooShort);
        return;
    }
    if (!fits(fields.newCode))
        return;
    if (fields.newCode != fields.confirmation) {
        messages_.showMessage(codesDiffer);
        return;
    }
    send(fields);
}

void ActivationCodeChange::changeWithoutChecks(const Fields& fields)
{
    if (!fits(fields.newCode))
        return;
    send(fields);
}

bool ActivationCodeChange::fits(std::string_view newCode)
{
    // The access dialog could never take a longer code: the device would be locked out of
    // this program.
    if (codepage::toAnsi(newCode).size() <= AppContext::maxActivationCodeLength)
        return true;
    messages_.showMessage(AppContext::codeTooLong);
    return false;
}

void ActivationCodeChange::send(const Fields& fields)
{
    const SatResponse response = client_.TrocarCodigoDeAtivacao(
        fields.code, static_cast<int>(fields.proof), fields.newCode, fields.confirmation);
    if (response.reached() && SatClient::isPortFailure(response))
        messages_.showMessage(SatClient::portFailureMessage);
    messages_.showMessage(reportAfter(client_, response));
}
