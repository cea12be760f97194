#include "NetworkConfig.h"

#include "Digits.h"
#include "Texts.h"
#include "Xml.h"

#include <array>
#include <cstdint>

namespace satsim {

namespace {

std::optional<std::array<int, 4>> groups(std::string_view text)
{
    std::array<int, 4> values{};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = text.find('.', start);
        if ((i < 3) == (dot == std::string_view::npos))
            return std::nullopt;
        const std::string_view group =
            text.substr(start, dot == std::string_view::npos ? dot : dot - start);
        if (group.empty() || group.size() > 3 || !allDigits(group))
            return std::nullopt;
        values[static_cast<std::size_t>(i)] = std::stoi(std::string(group));
        if (values[static_cast<std::size_t>(i)] > 255)
            return std::nullopt;
        start = dot + 1;
    }
    return values;
}

bool isContiguousMask(const std::array<int, 4>& mask)
{
    std::uint32_t bits = 0;
    for (const int group : mask)
        bits = (bits << 8) | static_cast<std::uint32_t>(group);
    if (bits == 0)
        return false;
    const std::uint32_t inverted = ~bits;
    return (inverted & (inverted + 1)) == 0;
}

struct Reader {
    const xmlNode* root;
    std::string error;

    std::optional<std::string> required(const char* name)
    {
        auto value = xml::childText(root, name);
        if (!value && error.empty())
            error = std::string("elemento ") + name + " ausente";
        return value;
    }

    std::optional<std::string> address(const char* name, bool allowZero)
    {
        auto value = required(name);
        if (!value)
            return std::nullopt;
        auto normal = normaliseAddress(*value);
        if (!normal || (!allowZero && *normal == "000.000.000.000")) {
            if (error.empty())
                error = std::string(name) + " \"" + printable(*value) +
                        "\" não é um endereço IPv4 válido";
            return std::nullopt;
        }
        return normal;
    }
};

} // namespace

std::optional<std::string> normaliseAddress(std::string_view text)
{
    const auto values = groups(text);
    if (!values)
        return std::nullopt;
    return padded((*values)[0], 3) + "." + padded((*values)[1], 3) + "." + padded((*values)[2], 3) +
           "." + padded((*values)[3], 3);
}

NetworkParse parseNetworkConfig(std::string_view bytes)
{
    NetworkParse result;
    const xml::Parsed parsed = xml::parse(bytes);
    if (!parsed.document) {
        result.error = parsed.error;
        return result;
    }
    const xmlNode* root = xmlDocGetRootElement(parsed.document.get());
    if (!xml::is(root, "config")) {
        result.error = "o elemento raiz deve ser config";
        return result;
    }
    Reader r{root, {}};
    NetworkState n;

    const auto interfaceType = r.required("tipoInter");
    if (interfaceType && *interfaceType != "ETHE" && *interfaceType != "WIFI")
        r.error = "tipoInter deve ser ETHE ou WIFI, não \"" + printable(*interfaceType) + "\"";
    if (interfaceType && r.error.empty()) {
        n.interfaceType = *interfaceType;
        if (n.interfaceType == "WIFI") {
            n.ssid = xml::childText(root, "SSID").value_or("");
            n.security = xml::childText(root, "seg").value_or("");
            n.wifiKey = xml::childText(root, "codigo").value_or("");
            if (n.ssid.empty())
                r.error = "rede WIFI sem SSID";
        }
    }

    const auto lanType = r.required("tipoLan");
    if (lanType && r.error.empty()) {
        n.lanType = *lanType;
        n.user = xml::childText(root, "usuario").value_or("");
        n.password = xml::childText(root, "senha").value_or("");
        if (n.lanType == "IPFIX") {
            auto ip = r.address("lanIP", false);
            auto mask = r.address("lanMask", false);
            if (mask && !isContiguousMask(*groups(*mask)))
                r.error = "lanMask " + *mask + " não é uma máscara de rede válida";
            auto gateway = r.address("lanGW", true);
            auto dns1 = r.address("lanDNS1", true);
            auto dns2 = r.address("lanDNS2", true);
            if (r.error.empty()) {
                n.ip = *ip;
                n.mask = *mask;
                n.gateway = *gateway;
                n.dns1 = *dns1;
                n.dns2 = *dns2;
            }
        } else if (n.lanType == "PPPoE") {
            if (n.user.empty())
                r.error = "PPPoE sem usuario";
        } else if (n.lanType != "DHCP") {
            r.error = "tipoLan deve ser DHCP, IPFIX ou PPPoE, não \"" + printable(n.lanType) + "\"";
        }
    }

    if (r.error.empty()) {
        const std::string proxy = xml::childText(root, "proxy").value_or("0");
        if (proxy != "0" && proxy != "1" && proxy != "2") {
            r.error = "proxy deve ser 0, 1 ou 2, não \"" + printable(proxy) + "\"";
        } else if (proxy != "0") {
            n.proxy = proxy[0] - '0';
            const std::string ip = xml::childText(root, "proxy_ip").value_or("");
            const std::string port = xml::childText(root, "proxy_porta").value_or("");
            n.proxyUser = xml::childText(root, "proxy_user").value_or("");
            n.proxyPassword = xml::childText(root, "proxy_senha").value_or("");
            const bool needed = n.proxy == 1; // a transparent proxy needs no address
            if (!ip.empty() || needed) {
                auto normal = normaliseAddress(ip);
                if (!normal || *normal == "000.000.000.000")
                    r.error = "proxy_ip \"" + printable(ip) + "\" não é um endereço IPv4 válido";
                else
                    n.proxyIp = *normal;
            }
            if (r.error.empty() && (!port.empty() || needed)) {
                const bool valid = !port.empty() && port.size() <= 5 && allDigits(port) &&
                                   std::stoi(port) >= 1 && std::stoi(port) <= 65535;
                if (!valid)
                    r.error = "proxy_porta \"" + printable(port) + "\" não é uma porta válida";
                else
                    n.proxyPort = port;
            }
        }
    }

    if (!r.error.empty())
        result.error = r.error;
    else
        result.network = n;
    return result;
}

} // namespace satsim
