#pragma once

#include "SatClient.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What an operation did, for a screen or the command line to present: no operation shows
// anything itself.
struct Outcome {
    enum class Kind {
        Done,      // the device did it
        Refused,   // the device answered, and did not do it
        Transport, // the call did not reach the device, or its answer did not come back
        BadInput,  // refused before any call
    };
    Kind kind = Kind::Done;
    // The error record the report read; none when the call was never made or the record
    // could not be read.
    std::optional<SatClient::Error> record;
    std::vector<std::string> messages; // UTF-8, in the order they are shown

    static Outcome badInput(std::string message) { return {Kind::BadInput, {}, {message}}; }
};

// After a call whose result text is not read: the standard report of its error record, or why
// the call could not be made. `doneCode` is the device's code for success.
Outcome reportedOutcome(SatClient& client, const SatResponse& response, std::int32_t doneCode);
