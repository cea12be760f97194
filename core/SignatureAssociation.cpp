#include "SignatureAssociation.h"

#include "Cnpj.h"
#include "Outcome.h"
#include "SatClient.h"

SignatureAssociation::SignatureAssociation(SatClient& client) : client_(client) {}

Outcome SignatureAssociation::associate(std::string_view cnpjContribuinte,
                                        std::string_view cnpjSoftwareHouse,
                                        std::string_view signature)
{
    std::string taxpayer;
    if (!checkCnpj(cnpjContribuinte, taxpayer))
        return Outcome::badInput(std::string(invalidTaxpayer));
    std::string softwareHouse;
    if (!checkCnpj(cnpjSoftwareHouse, softwareHouse))
        return Outcome::badInput(std::string(invalidSoftwareHouse));

    const SatResponse response =
        client_.AssociarAssinatura(softwareHouse + taxpayer, oneLine(signature));
    return reportedOutcome(client_, response, associatedCode);
}

std::string SignatureAssociation::oneLine(std::string_view signature)
{
    std::string kept;
    kept.reserve(signature.size());
    for (const char c : signature) {
        if (c != '\r' && c != '\n')
            kept += c;
    }
    return kept;
}
