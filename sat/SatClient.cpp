#include "SatClient.h"

#include "AppContext.h"
#include "CodePage.h"
#include "DynamicLibrary.h"
#include "HostLink.h"
#include "SatLibrary.h"

#include <cstring>
#include <filesystem>

namespace {

// A mutable, zero-terminated copy: the library's parameters are plain char pointers.
struct Arg {
    explicit Arg(std::string_view bytes) : text(bytes) {}
    std::string text;
    char* get() { return text.data(); }
};

hostwire::Argument argument(int number)
{
    return hostwire::Argument::of(number);
}

hostwire::Argument argument(const char* text)
{
    return text ? hostwire::Argument::of(std::string_view(text)) : hostwire::Argument{};
}

std::string loadFailure(const std::string& library, bool wrongWidth, const std::string& error)
{
    std::string failure = "Não foi possível carregar a biblioteca do SAT \"" + library + "\".\n";
    // Most makers ship 32-bit libraries, which a 64-bit program cannot load by itself.
    const std::string bits = std::to_string(sizeof(void*) * 8);
    failure += wrongWidth
                   ? "A biblioteca encontrada não é de " + bits + " bits, como este programa."
                   : std::string("Verifique se o driver do SAT está instalado.");
    if (!error.empty())
        failure += "\n" + error;
    return failure;
}

} // namespace

SatClient::SatClient(AppContext& context, std::string libraryName, std::string hostProgram)
    : context_(context), libraryName_(std::move(libraryName)),
      hostProgram_(hostProgram.empty() ? HostLink::besideThisProgram(std::string(hostName) +
                                                                     std::string(hostExtension))
                                       : std::move(hostProgram))
{
}

SatClient::~SatClient() = default;

bool SatClient::libraryLoaded() const
{
    return context_.hDLLSat || hosted_;
}

bool SatClient::load(std::string& failure)
{
    if (libraryLoaded())
        return true;
    dynlib::LoadResult loaded = dynlib::load(libraryName_);
    if (loaded.handle) {
        context_.hDLLSat = loaded.handle;
        return true;
    }
    std::error_code ignored;
    if (loaded.wrongArchitecture && !hostProgram_.empty() &&
        std::filesystem::exists(std::filesystem::u8path(hostProgram_), ignored)) {
        // The library decides: from now on every call of this run goes through the host.
        hosted_ = true;
        return true;
    }
    failure = loadFailure(libraryName_, loaded.wrongArchitecture, loaded.error);
    return false;
}

std::string SatClient::missingMessage(const char* function) const
{
    return std::string("A função \"") + function + "\" não foi encontrada na biblioteca do SAT \"" +
           libraryName_ + "\".";
}

std::optional<hostwire::Reply> SatClient::exchange(const hostwire::Request& request,
                                                   std::string& failure)
{
    using Kind = hostwire::Reply::Kind;
    if (!host_ || !host_->alive()) {
        host_ = HostLink::start(hostProgram_, failure);
        if (!host_)
            return std::nullopt;
        const auto loaded = host_->exchange({hostwire::Request::Kind::Load, libraryName_, {}});
        if (!loaded || loaded->kind != Kind::Loaded) {
            failure = loadFailure(libraryName_, loaded && loaded->kind == Kind::WrongWidth,
                                  loaded ? loaded->text : std::string());
            host_.reset();
            return std::nullopt;
        }
    }
    std::optional<hostwire::Reply> reply = host_->exchange(request);
    if (!reply) {
        // Nothing of the manager's went down with it; the next call starts a new host.
        host_.reset();
        failure = "A biblioteca do SAT parou durante " + request.name +
                  " e não respondeu.\nA próxima operação carrega a biblioteca de novo.";
    }
    return reply;
}

SatResponse SatClient::hostCall(const char* function, std::vector<hostwire::Argument> arguments)
{
    std::string failure;
    const auto reply =
        exchange({hostwire::Request::Kind::Call, function, std::move(arguments)}, failure);
    if (!reply)
        return SatResponse::notReached(std::move(failure));
    switch (reply->kind) {
    case hostwire::Reply::Kind::Text:
        return SatResponse(reply->text);
    case hostwire::Reply::Kind::NoText:
        return SatResponse(std::string());
    case hostwire::Reply::Kind::Missing:
        return SatResponse::notReached(missingMessage(function));
    default:
        return SatResponse::notReached("O programa \"" + hostProgram_ + "\" recusou a chamada de " +
                                       function + ": " + reply->text);
    }
}

void* SatClient::resolve(const char* function, std::string& failure)
{
    if (!load(failure))
        return nullptr;
    void* address = dynlib::symbol(context_.hDLLSat, function);
    if (!address)
        failure = missingMessage(function);
    return address;
}

template <typename Fn, typename... Args>
SatResponse SatClient::invoke(const char* function, Args... args)
{
    const std::unique_lock<std::mutex> lock(callLock_, std::try_to_lock);
    if (!lock.owns_lock())
        return SatResponse::notReached(std::string(busyMessage));
    std::string failure;
    if (!load(failure))
        return SatResponse::notReached(std::move(failure));
    if (hosted_)
        return hostCall(function, {argument(args)...});
    void* address = resolve(function, failure);
    if (!address)
        return SatResponse::notReached(std::move(failure));
    const char* result = reinterpret_cast<Fn>(address)(args...);
    return SatResponse(result ? std::string(result) : std::string());
}

std::string SatClient::storedCode() const
{
    return context_.activationCode();
}

std::string SatClient::storedOrDefaultCode() const
{
    return context_.activationCode().empty() ? std::string(defaultActivationCode)
                                             : context_.activationCode();
}

SatResponse SatClient::AtivarSAT(int tipoCertificado, std::string_view newCode,
                                 std::string_view cnpj, int uf)
{
    Arg code(codepage::toAnsi(newCode));
    Arg digits(codepage::toAnsi(cnpj));
    return invoke<AtivarSATFn>("AtivarSAT", sessionNumber, tipoCertificado, code.get(),
                               digits.get(), uf);
}

SatResponse SatClient::AssociarAssinatura(std::string_view cnpj, std::string_view signature)
{
    Arg code(storedCode());
    Arg digits(codepage::toAnsi(cnpj));
    Arg sign(codepage::toAnsi(signature));
    return invoke<AssociarAssinaturaFn>("AssociarAssinatura", sessionNumber, code.get(),
                                        digits.get(), sign.get());
}

SatResponse SatClient::ConfigurarInterfaceDeRede(std::string_view document)
{
    Arg code(storedOrDefaultCode());
    Arg xml(document);
    return invoke<ConfigurarInterfaceDeRedeFn>("ConfigurarInterfaceDeRede", sessionNumber,
                                               code.get(), xml.get());
}

SatResponse SatClient::ConsultarStatusOperacional()
{
    Arg code(storedCode());
    return invoke<ConsultarStatusOperacionalFn>("ConsultarStatusOperacional", sessionNumber,
                                                code.get());
}

SatResponse SatClient::ExtrairLogs()
{
    Arg code(storedOrDefaultCode());
    return invoke<ExtrairLogsFn>("ExtrairLogs", sessionNumber, code.get());
}

SatResponse SatClient::EnviarDadosVenda(std::string_view document)
{
    Arg code(storedCode());
    Arg sale(document);
    return invoke<EnviarDadosVendaFn>("EnviarDadosVenda", sessionNumber, code.get(), sale.get());
}

SatResponse SatClient::CancelarUltimaVenda(std::string_view key, std::string_view document)
{
    Arg code(storedCode());
    Arg keyArg(key);
    Arg cancel(document);
    return invoke<CancelarUltimaVendaFn>("CancelarUltimaVenda", sessionNumber, code.get(),
                                         keyArg.get(), cancel.get());
}

SatResponse SatClient::TesteFimAFim(std::string_view document)
{
    Arg code(storedCode());
    Arg sale(document);
    return invoke<TesteFimAFimFn>("TesteFimAFim", sessionNumber, code.get(), sale.get());
}

SatResponse SatClient::ConsultarSAT()
{
    return invoke<ConsultarSATFn>("ConsultarSAT", sessionNumber);
}

SatResponse SatClient::BloquearSAT()
{
    Arg code(storedCode());
    return invoke<BloquearSATFn>("BloquearSAT", sessionNumber, code.get());
}

SatResponse SatClient::DesbloquearSAT()
{
    Arg code(storedCode());
    return invoke<DesbloquearSATFn>("DesbloquearSAT", sessionNumber, code.get());
}

SatResponse SatClient::TrocarCodigoDeAtivacao(std::string_view code, int option,
                                              std::string_view newCode,
                                              std::string_view confirmation)
{
    Arg current(codepage::toAnsi(code));
    Arg replacement(codepage::toAnsi(newCode));
    Arg confirm(codepage::toAnsi(confirmation));
    return invoke<TrocarCodigoDeAtivacaoFn>("TrocarCodigoDeAtivacao", sessionNumber, current.get(),
                                            option, replacement.get(), confirm.get());
}

SatResponse SatClient::AtualizarSoftwareSAT()
{
    Arg code(storedCode());
    return invoke<AtualizarSoftwareSATFn>("AtualizarSoftwareSAT", sessionNumber, code.get());
}

SatClient::Error SatClient::lastError()
{
    Error error;
    if (!load(error.failure))
        return error;
    if (hosted_) {
        const auto reply =
            exchange({hostwire::Request::Kind::Call, "CodigoErro", {}}, error.failure);
        if (reply && reply->kind == hostwire::Reply::Kind::Record) {
            error.code = reply->code;
            error.msg = reply->text;
        } else if (reply) {
            error.failure = missingMessage("CodigoErro");
        }
        return error;
    }
    void* address = resolve("CodigoErro", error.failure);
    if (!address)
        return error;
    const COMM_ERROR record = reinterpret_cast<CodigoErroFn>(address)();
    error.code = record.code;
    // A library that fills all 300 bytes leaves no terminator: never read past the record.
    error.msg.assign(record.msg, strnlen(record.msg, sizeof record.msg - 1));
    return error;
}

SatResponse SatClient::decodedPayload()
{
    return invoke<Base64ToAsciiFn>("Base64ToAscii");
}

std::string SatClient::standardReport()
{
    const Error error = lastError();
    reportedError_.reset();
    if (!error.reached())
        return error.failure;
    reportedError_ = error;
    if (auto fixed = transportMessage(error.code))
        return *fixed;
    return detailText(codepage::fromUtf8(error.msg));
}

std::optional<SatClient::Error> SatClient::reportedError() const
{
    return reportedError_;
}

std::optional<std::string> SatClient::transportMessage(std::int32_t code)
{
    switch (code) {
    case __NOCONNECT__:
        return "   Porta de comunicação não conectada.   ";
    case __CMDUNKERROR__:
        return "    Comando recebido do equipamento não reconhecido.  ";
    case __TIMEOUT__:
        return "   TimeOut: Equipamento não está respondendo as mensagens.";
    case __SEMCTS__:
        return "   Sem Sinal CTS.   ";
    default:
        return std::nullopt;
    }
}

bool SatClient::isPortFailure(const SatResponse& response)
{
    return response.equals(portFailureText);
}

std::string SatClient::detailText(std::string_view text)
{
    return std::string(text) + std::string(30, ' ');
}
