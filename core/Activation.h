#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class AppContext;
class FileChooser;
class MessageSink;
class MessageWindow;
class RequestWindow;
class SatClient;

// The certificate kinds of the activation dialog, valued as the subcommand sent.
enum class CertificateKind { AcSat = 1, IcpBrasil = 2, IcpBrasilRenewal = 3 };

// Activates a device for a taxpayer: checks the fields, calls AtivarSAT, keeps the new code
// when the device reports success, reports the outcome and saves a returned certificate
// request.
class Activation {
public:
    struct Fields {
        std::string_view cnpj; // as the masked field holds it, punctuation and blanks included
        std::string_view code;
        std::string_view confirmation;
        CertificateKind certificate = CertificateKind::AcSat;
    };

    Activation(AppContext& context, SatClient& client, MessageSink& messages,
               MessageWindow& messageWindow, RequestWindow& requests, FileChooser& files);

    // What the device part of an activation leaves to show and keep.
    struct Reply {
        std::optional<std::string> message;    // for a message box
        std::optional<std::string> windowText; // for the message window
        std::optional<std::string> keptCode;   // the new code, on the device's success
        std::optional<std::string> response;   // the answer, whose request is to be kept
    };

    // Texts are UTF-8. Checks the fields and calls the device, then shows what it answered.
    void activate(const Fields& fields);
    // The two halves of it: the checks and the call, which touch no window and may run off the
    // user-interface thread; then, on it, what the operator is shown and asked.
    Reply call(const Fields& fields);
    void present(const Reply& reply);

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
    void keepRequest(std::string_view response);

    AppContext& context_;
    SatClient& client_;
    MessageSink& messages_;
    MessageWindow& messageWindow_;
    RequestWindow& requests_;
    FileChooser& files_;
};
