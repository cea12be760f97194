#pragma once

#include "Outcome.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class AppContext;
class SatClient;

// The certificate kinds of the activation dialog, valued as the subcommand sent.
enum class CertificateKind { AcSat = 1, IcpBrasil = 2, IcpBrasilRenewal = 3 };

// Activates a device for a taxpayer: checks the fields, calls AtivarSAT, keeps the new code
// when the device reports success and gives the outcome and any certificate request the
// device returned.
class Activation {
public:
    struct Fields {
        std::string_view cnpj; // as the masked field holds it, punctuation and blanks included
        std::string_view code;
        std::string_view confirmation;
        CertificateKind certificate = CertificateKind::AcSat;
    };

    Activation(AppContext& context, SatClient& client) : context_(context), client_(client) {}

    // What an activation leaves to show and keep, beside its outcome and its message box.
    // Texts are UTF-8.
    struct Reply : Outcome {
        std::optional<std::string> windowText; // for the message window
        std::optional<std::string> keptCode;   // the new code, on the device's success
        // The certificate request the device returned, lines separated by LF: shown below any
        // earlier one and saved where the operator chooses.
        std::optional<std::string> request;
    };

    // Everything on the calling thread: the checks, the call and the code kept.
    Reply activate(const Fields& fields);
    // The two halves of it: the checks and the call, which touch nothing but the client and
    // may run off the user-interface thread; then, on it, the new code kept.
    Reply call(const Fields& fields) const;
    void keep(const Reply& reply);

    // The request in an answer: from its first "BEGIN" on, line ends made LF.
    static std::optional<std::string> certificateRequest(std::string_view response);

    // Sent whatever federation unit the dialog shows.
    static constexpr int stateCode = 35;
    static constexpr int activatedCode = 4000;
    static constexpr std::size_t minimumCodeLength = 8;

    static constexpr std::string_view invalidCnpj = "          CNPJ Inválido.         ";
    static constexpr std::string_view codeTooShort =
        "Código de ativação deve conter no mínimo 8 caracteres";
    static constexpr std::string_view codesDiffer =
        "Código de ativação e de confirmação não são identicos";
    static constexpr std::string_view portFailure = "Erro ao Abrir Porta de Comunicação";
    static constexpr std::string_view activated =
        "SAT Ativado com sucesso!\n"
        "Prossiga para etapa de vinculação do AC ao contribuinte\n"
        "através do menu \"Associar Assinatura\"";

private:
    AppContext& context_;
    SatClient& client_;
};
