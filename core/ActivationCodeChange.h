#pragma once

#include "Outcome.h"

#include <cstddef>
#include <string_view>

class SatClient;

// Which code proves the right to change: valued as the option sent to the device.
enum class ProofCode { ActivationCode = 1, EmergencyCode = 2 };

// Replaces the device's activation code with TrocarCodigoDeAtivacao. The code stored in the
// program is never changed here: later operations go on sending the code stored before.
class ActivationCodeChange {
public:
    struct Fields {
        std::string_view code; // the current activation code or the emergency code
        ProofCode proof = ProofCode::ActivationCode;
        std::string_view newCode;
        std::string_view confirmation;
    };

    explicit ActivationCodeChange(SatClient& client);

    // The dialog: the new code's length and confirmation are checked first. Texts are UTF-8.
    Outcome change(const Fields& fields);
    // The full-screen screen: the device alone judges the new code.
    Outcome changeWithoutChecks(const Fields& fields);

    static constexpr std::int32_t changedCode = 18000;

    static constexpr std::size_t minimumCodeLength = 8;
    static constexpr std::string_view newCodeTooShort =
        "Código de ativação deve ter no minimo 8 caracteres";
    static constexpr std::string_view codesDiffer =
        "Código de ativação não é igual ao confirmação do código de ativação";

private:
    static bool fits(std::string_view newCode);
    Outcome send(const Fields& fields);

    SatClient& client_;
};
