#include "DeviceReport.h"

#include "SatClient.h"

std::string reportAfter(SatClient& client, const SatResponse& response)
{
    // The error record would describe an earlier call when this one was never made.
    if (!response.reached())
        return response.failure();
    return client.standardReport();
}
