#pragma once

#include "DeviceState.h"

#include <optional>
#include <string>
#include <string_view>

// The network configuration document a SAT accepts (root element "config").
namespace satsim {

struct NetworkParse {
    std::optional<NetworkState> network;
    std::string error; // why the document was refused, in Portuguese
};

NetworkParse parseNetworkConfig(std::string_view bytes);

// "192.168.1.10" or "192.168.001.010" to "192.168.001.010"; nullopt unless four groups of
// one to three digits, each at most 255.
std::optional<std::string> normaliseAddress(std::string_view text);

} // namespace satsim
