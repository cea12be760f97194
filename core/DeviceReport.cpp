#include "Outcome.h"

#include "SatClient.h"

Outcome reportedOutcome(SatClient& client, const SatResponse& response, std::int32_t doneCode)
{
    Outcome outcome;
    // The error record would describe an earlier call when this one was never made.
    if (!response.reached()) {
        outcome.kind = Outcome::Kind::Transport;
        outcome.messages.push_back(response.failure());
        return outcome;
    }
    outcome.messages.push_back(client.standardReport());
    outcome.record = client.reportedError();
    if (!outcome.record || SatClient::transportMessage(outcome.record->code))
        outcome.kind = Outcome::Kind::Transport;
    else if (outcome.record->code != doneCode)
        outcome.kind = Outcome::Kind::Refused;
    return outcome;
}
