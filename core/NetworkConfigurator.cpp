#include "NetworkConfigurator.h"

#include "CodePage.h"
#include "DynamicLibrary.h"
#include "SatClient.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// libxml2's tree interface, declared here so that the program needs neither its headers nor
// its import library. Its documents and nodes are only ever handled through pointers.
using xmlChar = unsigned char;
struct XmlDoc;
struct XmlNode;
struct XmlNs;
using NewDocFn = XmlDoc* (*)(const xmlChar* version);
using NewDocNodeFn = XmlNode* (*)(XmlDoc* doc, XmlNs* ns, const xmlChar* name,
                                  const xmlChar* content);
using DocSetRootElementFn = XmlNode* (*)(XmlDoc* doc, XmlNode* root);
using NewTextChildFn = XmlNode* (*)(XmlNode* parent, XmlNs* ns, const xmlChar* name,
                                    const xmlChar* content);
using DocDumpMemoryFn = void (*)(XmlDoc* doc, xmlChar** mem, int* size);
using FreeDocFn = void (*)(XmlDoc* doc);
using FreeFn = void (*)(void* mem);

const xmlChar* xmlText(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

const char* const notSent = "A configuração de rede não foi enviada ao SAT.";

int readGroup(std::string_view group)
{
    std::size_t i = 0;
    while (i < group.size() && (group[i] == ' ' || (group[i] >= '\t' && group[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < group.size() && (group[i] == '+' || group[i] == '-'))
        negative = group[i++] == '-';
    // Saturates instead of overflowing; only a text that came past the mask can be that long.
    long long value = 0;
    for (; i < group.size() && group[i] >= '0' && group[i] <= '9'; ++i)
        value = std::min(value * 10 + (group[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        value = -value;
    return static_cast<int>(
        std::clamp(value, static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX)));
}

// Whether XML can carry the text (UTF-8): no control character but tab, line feed and carriage
// return, and neither U+FFFE nor U+FFFF. libxml2 writes any other text of an element with such
// a character as nothing at all, so a password would reach the device empty.
bool fitsXml(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            return false;
        const std::string_view three = text.substr(i, 3);
        if (three == "\xEF\xBF\xBE" || three == "\xEF\xBF\xBF")
            return false;
    }
    return true;
}

} // namespace

struct NetworkConfigurator::Xml {
    explicit Xml(std::string name) : libraryName(std::move(name)) {}

    // Loads the library on first use and finds every function before anything is built, so
    // that a missing one stops the press before a document exists.
    bool ready(std::string& failure)
    {
        if (loaded)
            return true;
        if (!handle) {
            dynlib::LoadResult library = dynlib::load(libraryName);
            if (!library.handle) {
                failure = "Não foi possível carregar a biblioteca \"" + libraryName +
                          "\", com a qual o documento de configuração de rede é montado.\n" +
                          notSent;
                if (!library.error.empty())
                    failure += "\n" + library.error;
                return false;
            }
            handle = library.handle;
        }
        const bool found = find(newDoc, "xmlNewDoc", failure) &&
                           find(newDocNode, "xmlNewDocNode", failure) &&
                           find(docSetRootElement, "xmlDocSetRootElement", failure) &&
                           find(newTextChild, "xmlNewTextChild", failure) &&
                           find(docDumpMemory, "xmlDocDumpMemory", failure) &&
                           find(freeDoc, "xmlFreeDoc", failure) && find(freeFn, "xmlFree", failure);
        loaded = found;
        return found;
    }

    template <typename Fn> bool find(Fn& slot, const char* name, std::string& failure)
    {
        slot = dynlib::function<Fn>(handle, name);
        if (!slot)
            failure = std::string("A função \"") + name + "\" não foi encontrada na biblioteca \"" +
                      libraryName + "\".\n" + notSent;
        return slot != nullptr;
    }

    // xmlFree is a variable holding the deallocator, not a function: read it when it is used,
    // as the library's own macro does.
    void release(xmlChar* memory) const { (*reinterpret_cast<FreeFn*>(freeFn))(memory); }

    std::string libraryName;
    dynlib::Handle handle = nullptr;
    bool loaded = false;
    NewDocFn newDoc = nullptr;
    NewDocNodeFn newDocNode = nullptr;
    DocSetRootElementFn docSetRootElement = nullptr;
    NewTextChildFn newTextChild = nullptr;
    DocDumpMemoryFn docDumpMemory = nullptr;
    FreeDocFn freeDoc = nullptr;
    void* freeFn = nullptr;
};

NetworkConfigurator::NetworkConfigurator(SatClient& client, std::string xmlLibrary)
    : client_(client), xml_(std::make_unique<Xml>(std::move(xmlLibrary)))
{
}

NetworkConfigurator::~NetworkConfigurator() = default;

std::string NetworkConfigurator::formatAddress(std::string_view field)
{
    std::array<int, 4> groups{};
    for (int& group : groups) {
        const std::size_t dot = field.find('.');
        group = readGroup(field.substr(0, dot));
        field.remove_prefix(dot == std::string_view::npos ? field.size() : dot + 1);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%03d.%03d.%03d.%03d", groups[0], groups[1], groups[2],
                  groups[3]);
    return text;
}

NetworkConfigurator::Document NetworkConfigurator::buildDocument(const NetworkSettings& settings)
{
    Document result;
    // Only the typed texts go in as they are; the addresses are rewritten as digits.
    const bool dhcp = settings.addressMode == NetworkSettings::AddressMode::DHCP;
    const int proxy = settings.proxyIndex;
    const std::pair<const char*, const std::string*> typed[] = {
        {"Usuário", dhcp ? &settings.user : nullptr},
        {"Senha", dhcp ? &settings.password : nullptr},
        {"Porta", proxy != 0 ? &settings.port : nullptr},
        {"Usuário do proxy", proxy != 0 ? &settings.userProxy : nullptr},
        {"Senha do proxy", proxy != 0 ? &settings.passProxy : nullptr}};
    for (const auto& [caption, text] : typed) {
        if (text && !fitsXml(*text)) {
            result.failure = std::string("O campo \"") + caption +
                             "\" contém um caractere que o documento de configuração de rede não "
                             "admite (um caractere de controle, por exemplo).\n" +
                             notSent;
            return result;
        }
    }
    if (!xml_->ready(result.failure))
        return result;

    // The children in document order; no content gives the empty-element form.
    struct Child {
        const char* name;
        std::optional<std::string> content;
    };
    std::vector<Child> children;
    children.push_back({"tipoInter", "ETHE"});
    children.push_back({"tipoLan", dhcp ? "DHCP" : "IPFIX"});
    if (dhcp) {
        children.push_back({"usuario", settings.user});
        children.push_back({"senha", settings.password});
    } else {
        children.push_back({"lanIP", formatAddress(settings.ipSat)});
        children.push_back({"lanMask", formatAddress(settings.mask)});
        children.push_back({"lanGW", formatAddress(settings.gateway)});
        children.push_back({"lanDNS1", formatAddress(settings.dns1)});
        children.push_back({"lanDNS2", formatAddress(settings.dns2)});
    }
    children.push_back({"proxy", proxy == 0 ? "0" : proxy == 1 ? "1" : "2"});
    if (proxy == 0) {
        for (const char* name : {"proxy_ip", "proxy_porta", "proxy_user", "proxy_senha"})
            children.push_back({name, std::nullopt});
    } else {
        std::string address = formatAddress(settings.ipProxy);
        if (address == "000.000.000.000")
            address.clear();
        children.push_back({"proxy_ip", address});
        children.push_back({"proxy_porta", settings.port});
        children.push_back({"proxy_user", settings.userProxy});
        children.push_back({"proxy_senha", settings.passProxy});
    }

    const Xml& xml = *xml_;
    XmlDoc* doc = xml.newDoc(xmlText("1.0"));
    if (!doc) {
        result.failure = std::string("A biblioteca libxml2 não criou o documento.\n") + notSent;
        return result;
    }
    XmlNode* root = xml.newDocNode(doc, nullptr, xmlText("config"), nullptr);
    bool complete = root != nullptr;
    if (root) {
        xml.docSetRootElement(doc, root);
        for (const Child& child : children) {
            // libxml2 takes UTF-8 only: an invalid sequence would cut the document short.
            const std::string content = child.content ? codepage::fromUtf8(*child.content) : "";
            complete = complete && xml.newTextChild(root, nullptr, xmlText(child.name),
                                                    child.content ? xmlText(content.c_str())
                                                                  : nullptr) != nullptr;
        }
    }
    xmlChar* memory = nullptr;
    int size = 0;
    if (complete)
        xml.docDumpMemory(doc, &memory, &size);
    if (memory) {
        result.text.assign(reinterpret_cast<const char*>(memory),
                           static_cast<std::size_t>(std::max(size, 0)));
        xml.release(memory);
    } else {
        result.failure = std::string("A biblioteca libxml2 não montou o documento.\n") + notSent;
    }
    xml.freeDoc(doc);
    return result;
}

NetworkConfigurator::Sent NetworkConfigurator::apply(const NetworkSettings& settings)
{
    Sent sent;
    const Document document = buildDocument(settings);
    if (!document.built()) {
        sent.kind = Outcome::Kind::BadInput;
        sent.messages.push_back(document.failure);
        return sent;
    }
    const SatResponse answer = client_.ConfigurarInterfaceDeRede(document.text);
    // The error record belongs to this call: read it before anything else is done.
    static_cast<Outcome&>(sent) = reportedOutcome(client_, answer, configuredCode);
    if (!answer.reached())
        return sent;
    sent.document = document.text;
    if (answer.contains(successWord))
        sent.entry = displayText(sent.document);
    return sent;
}

std::string NetworkConfigurator::displayText(std::string_view document)
{
    if (!document.empty() && document.back() == '\n')
        document.remove_suffix(1);
    std::string out;
    out.reserve(document.size());
    std::size_t pos = 0;
    while (pos < document.size()) {
        const std::size_t ref = document.find("&#x", pos);
        if (ref == std::string_view::npos) {
            out.append(document.substr(pos));
            break;
        }
        out.append(document.substr(pos, ref - pos));
        const std::size_t semicolon = document.find(';', ref);
        unsigned long cp = 0;
        bool ok =
            semicolon != std::string_view::npos && semicolon > ref + 3 && semicolon - ref <= 9;
        for (std::size_t i = ref + 3; ok && i < semicolon; ++i) {
            const char c = document[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            ok = digit >= 0;
            cp = cp * 16 + static_cast<unsigned long>(digit < 0 ? 0 : digit);
        }
        // Only characters that do not show as themselves in ASCII; "&#xD;" stays a reference.
        ok = ok && cp >= 0xA0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (!ok) {
            out.append(document.substr(ref, 3));
            pos = ref + 3;
            continue;
        }
        codepage::appendUtf8(out, static_cast<char32_t>(cp));
        pos = semicolon + 1;
    }
    return out;
}
