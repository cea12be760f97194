#pragma once

#include "Base64.h"
#include "Cfe.h"
#include "DeviceState.h"
#include "FuzzCheck.h"
#include "Xml.h"

#include <string>

// What the simulated device's sale and cancel targets both check on the CF-e it hands back.
namespace simulatorcheck {

// The device's key and certificate, made once per run: every CF-e is signed with them.
inline const satsim::SigningIdentity* signer()
{
    static const satsim::SigningIdentity identity =
        satsim::makeSigningIdentity(satsim::serialNumber);
    return &identity;
}

// A document the device refuses is refused with a reason and a four-digit rejection code.
inline void checkRefusal(bool accepted, const std::string& error, satsim::Rule rule)
{
    fuzzcheck::require(accepted != !error.empty(), "accepted, or refused with a reason");
    if (!accepted)
        fuzzcheck::require(satsim::Rejection{rule, error}.code().size() == 4,
                           "a refusal carries a four-digit rejection code");
}

// The elements, attributes and texts of a tree, blanks between them left out: what the
// changes made to keep "CFe" out of the Base64 text must not touch.
inline void describe(const xmlNode* node, std::string& out)
{
    for (; node; node = node->next) {
        if (node->type == XML_TEXT_NODE) {
            for (const char c : satsim::xml::text(node))
                if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
                    out += c;
        } else if (node->type == XML_ELEMENT_NODE) {
            out += '<';
            out += reinterpret_cast<const char*>(node->name);
            for (const xmlAttr* a = node->properties; a; a = a->next) {
                const char* name = reinterpret_cast<const char*>(a->name);
                out += ' ';
                out += name;
                out += '=';
                out += satsim::xml::attribute(node, name).value_or("");
            }
            out += '>';
            describe(node->children, out);
            out += "</>";
        }
    }
}

inline std::string meaning(const std::string& document)
{
    const satsim::xml::Parsed parsed = satsim::xml::parse(document);
    if (!parsed.document)
        std::fprintf(stderr, "Not a document (%s):\n%s\n", parsed.error.c_str(), document.c_str());
    fuzzcheck::require(parsed.document != nullptr, "the CF-e is a well-formed document");
    std::string out;
    describe(xmlDocGetRootElement(parsed.document.get()), out);
    return out;
}

// The CF-e as the answer carries it: Base64 that decodes to a document saying the same.
inline void checkPayload(const std::string& document)
{
    const std::string payload = satsim::base64WithoutKeyMarker(document);
    const std::string decoded = satsim::base64::decode(payload);
    fuzzcheck::require(meaning(decoded) == meaning(document),
                       "the Base64 CF-e says what the CF-e says");
}

} // namespace simulatorcheck
