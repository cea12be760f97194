#pragma once

#include "HostWire.h"
#include "SatResponse.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class AppContext;
class HostLink;

// The one way the program calls the device library: loads it on first use (and keeps it),
// finds each function by name, puts the session number first and the right activation code
// in, and hands back the result text. It shows nothing; callers show what it returns.
//
// Texts typed on the screens are passed in UTF-8 and go to the library in Windows-1252.
// Documents and keys are passed as the bytes the library must receive.
class SatClient {
public:
#if defined(_WIN32)
    static constexpr std::string_view librarySAT = "dllsat.dll";
#else
    static constexpr std::string_view librarySAT = "libdllsat.so";
#endif
    static constexpr int sessionNumber = 12;
    static constexpr std::string_view defaultActivationCode = "24681357";
    static constexpr std::string_view portFailureText =
        "Erro ao tentar abrir a porta de comunicacao";
    // What the operator is told when the port cannot be opened (status query, code change,
    // sale and cancel).
    static constexpr std::string_view portFailureMessage =
        "Erro ao Abrir Porta de Comunicação\n Verifique se: driver instalado, SAT conectado";
    // What a call gets while another thread's call is still with the device.
    static constexpr std::string_view busyMessage =
        "O SAT ainda está atendendo a outra operação.\nAguarde o fim dela e tente de novo.";

    // The error record of the last call.
    struct Error {
        std::int32_t code = 0;
        std::string msg;     // raw bytes up to the terminating zero, at most 299
        std::string failure; // set when CodigoErro could not be called; ready to show
        bool reached() const { return failure.empty(); }
    };

    // A library of the other width is loaded by the host program of that width installed
    // beside this one, and every call of the run goes through it.
#if defined(_WIN32)
    static constexpr std::string_view hostExtension = ".exe";
#else
    static constexpr std::string_view hostExtension = "";
#endif
    static constexpr std::string_view hostName =
        sizeof(void*) == 8 ? "vexor-host32" : "vexor-host64";

    explicit SatClient(AppContext& context, std::string libraryName = std::string(librarySAT),
                       std::string hostProgram = {});
    ~SatClient();

    SatResponse AtivarSAT(int tipoCertificado, std::string_view newCode, std::string_view cnpj,
                          int uf);
    SatResponse AssociarAssinatura(std::string_view cnpj, std::string_view signature);
    SatResponse ConfigurarInterfaceDeRede(std::string_view document);
    SatResponse ConsultarStatusOperacional();
    SatResponse ExtrairLogs();
    SatResponse EnviarDadosVenda(std::string_view document);
    SatResponse CancelarUltimaVenda(std::string_view key, std::string_view document);
    SatResponse TesteFimAFim(std::string_view document);
    SatResponse ConsultarSAT();
    SatResponse BloquearSAT();
    SatResponse DesbloquearSAT();
    SatResponse TrocarCodigoDeAtivacao(std::string_view code, int option, std::string_view newCode,
                                       std::string_view confirmation);
    SatResponse AtualizarSoftwareSAT();

    // CodigoErro: the error record of the last call.
    Error lastError();
    // Base64ToAscii: the payload of the last call, decoded, as raw bytes.
    SatResponse decodedPayload();

    // The standard report after a call: the fixed text of a transport failure, else the
    // device's message (UTF-8) followed by 30 blanks. Returns the one message to show.
    std::string standardReport();
    // The error record that the last standard report read, when it could read one: lets a
    // front end tell a refusal from a success without asking the library again.
    std::optional<Error> reportedError() const;

    // The fixed message of a transport failure code; nullopt for any other code.
    static std::optional<std::string> transportMessage(std::int32_t code);
    static bool isPortFailure(const SatResponse& response);
    // The text followed by exactly 30 blanks.
    static std::string detailText(std::string_view text);

    const std::string& libraryName() const
    {
        return libraryName_;
    }
    // The library was loaded, here or by the host.
    bool libraryLoaded() const;

private:
    bool load(std::string& failure);
    void* resolve(const char* function, std::string& failure);
    std::optional<hostwire::Reply> exchange(const hostwire::Request& request, std::string& failure);
    SatResponse hostCall(const char* function, std::vector<hostwire::Argument> arguments);
    std::string missingMessage(const char* function) const;
    std::string storedCode() const;
    std::string storedOrDefaultCode() const;
    template <typename Fn, typename... Args> SatResponse invoke(const char* function, Args... args);

    AppContext& context_;
    std::string libraryName_;
    // A maker's library serves one call at a time; a second thread's call is refused, never
    // run alongside.
    std::mutex callLock_;
    std::optional<Error> reportedError_;
    std::string hostProgram_;
    bool hosted_ = false;
    std::unique_ptr<HostLink> host_;
};
