// A network configuration document as the simulated device reads it.

#include "Digits.h"
#include "FuzzCheck.h"
#include "NetworkConfig.h"

using fuzzcheck::require;

namespace {

void checkAddress(const std::string& address)
{
    require(address.size() == 15, "an address is four groups of three digits");
    for (std::size_t i = 0; i < address.size(); ++i)
        require(i % 4 == 3 ? address[i] == '.' : address[i] >= '0' && address[i] <= '9',
                "an address is four groups of three digits");
    require(satsim::normaliseAddress(address) == address, "an address read is kept as it is");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzzcheck::bytesOf(data, size);

    // The input's first line as an address field.
    if (const auto address = satsim::normaliseAddress(bytes.substr(0, bytes.find('\n'))))
        checkAddress(*address);

    const satsim::NetworkParse parsed = satsim::parseNetworkConfig(bytes);
    require(parsed.network.has_value() != !parsed.error.empty(),
            "a configuration is read, or refused with a reason");
    require(fuzzcheck::isUtf8(parsed.error), "the reason is UTF-8");
    if (!parsed.network)
        return 0;
    const satsim::NetworkState& n = *parsed.network;
    require(n.interfaceType == "ETHE" || n.interfaceType == "WIFI", "a known interface");
    require(n.interfaceType != "WIFI" || !n.ssid.empty(), "a WIFI network has its SSID");
    require(n.lanType == "DHCP" || n.lanType == "IPFIX" || n.lanType == "PPPoE",
            "a known LAN type");
    if (n.lanType == "IPFIX") {
        for (const std::string* address : {&n.ip, &n.mask, &n.gateway, &n.dns1, &n.dns2})
            checkAddress(*address);
        require(n.ip != "000.000.000.000" && n.mask != "000.000.000.000",
                "a fixed address and mask");
    }
    require(n.lanType != "PPPoE" || !n.user.empty(), "PPPoE has its user");
    require(n.proxy >= 0 && n.proxy <= 2, "proxy 0, 1 or 2");
    if (!n.proxyIp.empty())
        checkAddress(n.proxyIp);
    if (!n.proxyPort.empty()) {
        require(n.proxyPort.size() <= 5 && satsim::allDigits(n.proxyPort), "a port is digits");
        const int port = std::stoi(n.proxyPort);
        require(port >= 1 && port <= 65535, "a port is 1 to 65535");
    }
    require(n.proxy != 1 || (!n.proxyIp.empty() && !n.proxyPort.empty()),
            "a proxy of kind 1 has its address and port");
    for (const std::string* text : {&n.user, &n.password, &n.ssid, &n.proxyUser, &n.proxyPassword})
        require(fuzzcheck::isUtf8(*text), "texts read are UTF-8");
    return 0;
}
