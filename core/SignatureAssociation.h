#pragma once

#include "Outcome.h"

#include <string>
#include <string_view>

class SatClient;

// Associates the point-of-sale application's signature with the device.
class SignatureAssociation {
public:
    explicit SignatureAssociation(SatClient& client);

    // The texts of the two masked CNPJ fields and of the signature (UTF-8); the outcome holds
    // the one message to show. Signatures of any length are sent whole: nothing here has a
    // fixed buffer.
    Outcome associate(std::string_view cnpjContribuinte, std::string_view cnpjSoftwareHouse,
                      std::string_view signature);

    // The signature without any carriage return or line feed.
    static std::string oneLine(std::string_view signature);

    static constexpr std::int32_t associatedCode = 13000;
    static constexpr std::string_view invalidTaxpayer =
        "          CNPJ Contribuinte Inválido.         ";
    static constexpr std::string_view invalidSoftwareHouse =
        "          CNPJ Software House Inválido.         ";

private:
    SatClient& client_;
};
