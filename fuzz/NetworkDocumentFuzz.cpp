// The network configuration document built from whatever the network screen's fields hold.

#include "AppContext.h"
#include "CodePage.h"
#include "FuzzCheck.h"
#include "NetworkConfigurator.h"
#include "Operator.h"
#include "SatClient.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <vector>

using fuzzcheck::require;

namespace {

NetworkConfigurator& configurator()
{
    static AppContext context;
    static SatClient client(context);
    static NetworkConfigurator instance(client);
    return instance;
}

struct DocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

// The children the document must hold, in order, with the texts the device must read.
std::vector<std::pair<std::string, std::string>> expectedChildren(const NetworkSettings& s)
{
    const auto address = NetworkConfigurator::formatAddress;
    const auto text = [](const std::string& typed) { return codepage::fromUtf8(typed); };
    const bool dhcp = s.addressMode == NetworkSettings::AddressMode::DHCP;
    std::vector<std::pair<std::string, std::string>> children = {
        {"tipoInter", "ETHE"}, {"tipoLan", dhcp ? "DHCP" : "IPFIX"}};
    if (dhcp) {
        children.insert(children.end(), {{"usuario", text(s.user)}, {"senha", text(s.password)}});
    } else {
        children.insert(children.end(), {{"lanIP", address(s.ipSat)},
                                         {"lanMask", address(s.mask)},
                                         {"lanGW", address(s.gateway)},
                                         {"lanDNS1", address(s.dns1)},
                                         {"lanDNS2", address(s.dns2)}});
    }
    const int proxy = s.proxyIndex;
    children.emplace_back("proxy", proxy == 0 ? "0" : proxy == 1 ? "1" : "2");
    std::string proxyAddress = address(s.ipProxy);
    if (proxy == 0 || proxyAddress == "000.000.000.000")
        proxyAddress.clear();
    children.insert(children.end(), {{"proxy_ip", proxyAddress},
                                     {"proxy_porta", proxy == 0 ? "" : text(s.port)},
                                     {"proxy_user", proxy == 0 ? "" : text(s.userProxy)},
                                     {"proxy_senha", proxy == 0 ? "" : text(s.passProxy)}});
    return children;
}

// A character XML 1.0 has no place for: a control character but tab, line feed and carriage
// return, U+FFFE or U+FFFF. An invalid UTF-8 sequence is none: it goes in as U+FFFD.
bool hasNonXmlCharacter(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const fuzzcheck::Utf8Unit unit = fuzzcheck::nextUtf8(text, at);
        at += unit.length;
        const char32_t cp = unit.cp;
        if (unit.valid &&
            ((cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D) || cp == 0xFFFE || cp == 0xFFFF))
            return true;
    }
    return false;
}

// The caption of the first typed field that goes into the document as it is and holds such a
// character; the addresses go in as digits.
std::optional<std::string> refusedField(const NetworkSettings& s)
{
    const bool dhcp = s.addressMode == NetworkSettings::AddressMode::DHCP;
    const bool proxy = s.proxyIndex != 0;
    const std::pair<const char*, const std::string*> typed[] = {
        {"Usuário", dhcp ? &s.user : nullptr},
        {"Senha", dhcp ? &s.password : nullptr},
        {"Porta", proxy ? &s.port : nullptr},
        {"Usuário do proxy", proxy ? &s.userProxy : nullptr},
        {"Senha do proxy", proxy ? &s.passProxy : nullptr}};
    for (const auto& [caption, text] : typed)
        if (text && hasNonXmlCharacter(*text))
            return caption;
    return std::nullopt;
}

std::string contentOf(const xmlNode* node)
{
    std::unique_ptr<xmlChar, void (*)(void*)> content(xmlNodeGetContent(node),
                                                      [](void* p) { xmlFree(p); });
    return content ? std::string(reinterpret_cast<const char*>(content.get())) : std::string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    NetworkSettings s;
    s.addressMode = provider.ConsumeBool() ? NetworkSettings::AddressMode::IPFIX
                                           : NetworkSettings::AddressMode::DHCP;
    s.proxyIndex = provider.ConsumeIntegralInRange<int>(-1, 3);
    for (std::string* field : {&s.user, &s.password, &s.ipSat, &s.mask, &s.gateway, &s.dns1,
                               &s.dns2, &s.ipProxy, &s.port, &s.userProxy, &s.passProxy})
        *field = provider.ConsumeRandomLengthString(64);

    const NetworkConfigurator::Document document = configurator().buildDocument(s);
    // A text XML cannot carry is refused, naming its field: never sent cut or emptied.
    if (const auto field = refusedField(s)) {
        require(!document.built() && document.text.empty(), "a text XML cannot carry is refused");
        require(document.failure.rfind("O campo \"" + *field + "\" ", 0) == 0,
                "the refusal names the field");
        return 0;
    }
    require(document.built(), "the document is built");

    const std::unique_ptr<xmlDoc, DocFree> parsed(
        xmlReadMemory(document.text.data(), static_cast<int>(document.text.size()), nullptr,
                      nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!parsed)
        std::fprintf(stderr, "Document:\n%s\n", document.text.c_str());
    require(parsed != nullptr, "the document parses back");

    const xmlNode* root = xmlDocGetRootElement(parsed.get());
    require(root && std::string_view(reinterpret_cast<const char*>(root->name)) == "config",
            "the root is config");
    const auto expected = expectedChildren(s);
    std::size_t i = 0;
    for (const xmlNode* node = root->children; node; node = node->next) {
        require(node->type == XML_ELEMENT_NODE, "the root holds only elements");
        require(i < expected.size(), "no more children than the settings give");
        require(std::string_view(reinterpret_cast<const char*>(node->name)) == expected[i].first,
                "the children come in the device's order");
        if (contentOf(node) != expected[i].second)
            std::fprintf(stderr, "Element %s:\n%s\n", expected[i].first.c_str(),
                         document.text.c_str());
        require(contentOf(node) == expected[i].second, "each element holds the text given");
        ++i;
    }
    require(i == expected.size(), "every child is there");

    require(fuzzcheck::isUtf8(NetworkConfigurator::displayText(document.text)),
            "the text area's form of the document is valid UTF-8");
    return 0;
}
