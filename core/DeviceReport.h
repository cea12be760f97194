#pragma once

#include <string>

class SatClient;
class SatResponse;

// The one message after a call whose result text is not read: why the call could not be made,
// or the standard report of the error record.
std::string reportAfter(SatClient& client, const SatResponse& response);
