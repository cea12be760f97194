#include "DeviceReport.h"

#include "Outcome.h"
#include "SatClient.h"

std::string reportAfter(SatClient& client, const SatResponse& response)
{
    // The error record would describe an earlier call when this one was never made.
    if (!response.reached())
        return response.failure();
    return client.standardReport();
}

Outcome reportedOutcome(SatClient& client, const SatResponse& response, std::int32_t doneCode)
{
    Outcome outcome;
    outcome.messages.push_back(reportAfter(client, response));
    outcome.record = response.reached() ? client.reportedError() : std::nullopt;
    if (!outcome.record || SatClient::transportMessage(outcome.record->code))
        outcome.kind = Outcome::Kind::Transport;
    else if (outcome.record->code != doneCode)
        outcome.kind = Outcome::Kind::Refused;
    return outcome;
}
