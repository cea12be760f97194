// The device library's functions, exported under the names and convention a maker's
// library has. Each reads its arguments defensively and hands them to the simulator.

#include "Base64.h"
#include "SatLibrary.h"
#include "Simulator.h"
#include "Texts.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#if defined(_WIN32)
#define SATSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define SATSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

using satsim::Device;
using satsim::Function;
using satsim::readText;
using satsim::TextArg;

namespace {

constexpr std::size_t networkDocumentLimit = 64 * 1024;

// One device per process; its calls take turns.
struct Library {
    std::mutex mutex;
    satsim::Simulator simulator;
};

Library& library()
{
    static Library instance;
    return instance;
}

// What a main call leaves to the thread that made it, for as long as that thread makes no
// other main call: the text it returned (readable and writable), and the answer CodigoErro
// and Base64ToAscii read. A thread never sees another's answer, nor a buffer another thread
// has just grown.
struct ThreadRecord {
    std::string result;
    satsim::Reply last;
    std::string decoded; // what Base64ToAscii returns
};

ThreadRecord& threadRecord()
{
    thread_local ThreadRecord record;
    return record;
}

TextArg shortText(const char* text)
{
    return readText(text, satsim::shortTextLimit);
}

TextArg document(const char* text)
{
    return readText(text, satsim::documentLimit + 1);
}

char* run(Function function, int session, const std::function<satsim::Reply(Device&)>& operation)
{
    satsim::Reply reply;
    {
        Library& lib = library();
        const std::lock_guard<std::mutex> lock(lib.mutex);
        try {
            reply = lib.simulator.call(function, session, operation);
        } catch (...) {
            reply = Device::unexpected(function, session, "Erro interno do SAT");
        }
    }
    ThreadRecord& record = threadRecord();
    record.last = std::move(reply);
    record.result = record.last.text;
    return record.result.data();
}

} // namespace

SATSIM_EXPORT char* SAT_WINAPI AtivarSAT(int sessao, int tipocertificado, char* atv, char* cnpj,
                                         int uf)
{
    const TextArg code = shortText(atv), digits = shortText(cnpj);
    return run(Function::AtivarSAT, sessao, [&](Device& device) {
        return device.ativarSAT(sessao, tipocertificado, code, digits, uf);
    });
}

SATSIM_EXPORT char* SAT_WINAPI AssociarAssinatura(int sessao, char* atv, char* cnpj,
                                                  char* assinatura)
{
    const TextArg code = shortText(atv), digits = shortText(cnpj),
                  signature = shortText(assinatura);
    return run(Function::AssociarAssinatura, sessao, [&](Device& device) {
        return device.associarAssinatura(sessao, code, digits, signature);
    });
}

SATSIM_EXPORT char* SAT_WINAPI ConfigurarInterfaceDeRede(int sessao, char* atv, char* xml)
{
    const TextArg code = shortText(atv), config = readText(xml, networkDocumentLimit);
    return run(Function::ConfigurarInterfaceDeRede, sessao, [&](Device& device) {
        return device.configurarInterfaceDeRede(sessao, code, config);
    });
}

SATSIM_EXPORT char* SAT_WINAPI ConsultarStatusOperacional(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::ConsultarStatusOperacional, sessao,
               [&](Device& device) { return device.consultarStatusOperacional(sessao, code); });
}

SATSIM_EXPORT char* SAT_WINAPI ExtrairLogs(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::ExtrairLogs, sessao,
               [&](Device& device) { return device.extrairLogs(sessao, code); });
}

SATSIM_EXPORT char* SAT_WINAPI EnviarDadosVenda(int sessao, char* atv, char* dadosVenda)
{
    const TextArg code = shortText(atv), sale = document(dadosVenda);
    return run(Function::EnviarDadosVenda, sessao,
               [&](Device& device) { return device.enviarDadosVenda(sessao, code, sale); });
}

SATSIM_EXPORT char* SAT_WINAPI CancelarUltimaVenda(int sessao, char* atv, char* chave,
                                                   char* dadosCancelamento)
{
    const TextArg code = shortText(atv), key = shortText(chave),
                  cancel = document(dadosCancelamento);
    return run(Function::CancelarUltimaVenda, sessao, [&](Device& device) {
        return device.cancelarUltimaVenda(sessao, code, key, cancel);
    });
}

SATSIM_EXPORT char* SAT_WINAPI TesteFimAFim(int sessao, char* atv, char* dadosVenda)
{
    const TextArg code = shortText(atv), sale = document(dadosVenda);
    return run(Function::TesteFimAFim, sessao,
               [&](Device& device) { return device.testeFimAFim(sessao, code, sale); });
}

SATSIM_EXPORT char* SAT_WINAPI ConsultarSAT(int sessao)
{
    return run(Function::ConsultarSAT, sessao,
               [&](Device& device) { return device.consultarSAT(sessao); });
}

SATSIM_EXPORT char* SAT_WINAPI BloquearSAT(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::BloquearSAT, sessao,
               [&](Device& device) { return device.bloquearSAT(sessao, code); });
}

SATSIM_EXPORT char* SAT_WINAPI DesbloquearSAT(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::DesbloquearSAT, sessao,
               [&](Device& device) { return device.desbloquearSAT(sessao, code); });
}

SATSIM_EXPORT char* SAT_WINAPI TrocarCodigoDeAtivacao(int sessao, char* codigo, int opcao,
                                                      char* novoCodigo, char* confNovoCodigo)
{
    const TextArg code = shortText(codigo), replacement = shortText(novoCodigo),
                  confirmation = shortText(confNovoCodigo);
    return run(Function::TrocarCodigoDeAtivacao, sessao, [&](Device& device) {
        return device.trocarCodigoDeAtivacao(sessao, code, opcao, replacement, confirmation);
    });
}

namespace {

// A real device takes minutes over its update; SATSIM_UPDATE_SECONDS (0 to 600) lets the
// simulated one take its time too, so a manager can be seen waiting for it.
std::chrono::seconds updateDuration()
{
    const char* text = std::getenv("SATSIM_UPDATE_SECONDS");
    if (!text || !*text)
        return std::chrono::seconds(0);
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (*end != '\0' || seconds < 0 || seconds > 600)
        return std::chrono::seconds(0);
    return std::chrono::seconds(seconds);
}

} // namespace

SATSIM_EXPORT char* SAT_WINAPI AtualizarSoftwareSAT(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::AtualizarSoftwareSAT, sessao, [&](Device& device) {
        // The device is busy meanwhile: every other call waits for it.
        std::this_thread::sleep_for(updateDuration());
        return device.atualizarSoftwareSAT(sessao, code);
    });
}

SATSIM_EXPORT char* SAT_WINAPI ComunicarCertificadoICPBRASIL(int sessao, char* atv,
                                                             char* certificado)
{
    const TextArg code = shortText(atv), certificate = document(certificado);
    return run(Function::ComunicarCertificadoICPBRASIL, sessao, [&](Device& device) {
        return device.comunicarCertificadoICPBRASIL(sessao, code, certificate);
    });
}

SATSIM_EXPORT char* SAT_WINAPI ConsultarNumeroSessao(int sessao, char* atv, int cNumeroDeSessao)
{
    const TextArg code = shortText(atv);
    return run(Function::ConsultarNumeroSessao, sessao, [&](Device& device) {
        return device.consultarNumeroSessao(sessao, code, cNumeroDeSessao);
    });
}

SATSIM_EXPORT char* SAT_WINAPI ConsultarUltimaSessaoFiscal(int sessao, char* atv)
{
    const TextArg code = shortText(atv);
    return run(Function::ConsultarUltimaSessaoFiscal, sessao,
               [&](Device& device) { return device.consultarUltimaSessaoFiscal(sessao, code); });
}

SATSIM_EXPORT COMM_ERROR SAT_WINAPI CodigoErro()
{
    const satsim::Reply& last = threadRecord().last;
    COMM_ERROR error{};
    error.code = last.code;
    const std::string message = satsim::truncateUtf8(last.message, sizeof error.msg - 1);
    std::memcpy(error.msg, message.data(), message.size());
    return error;
}

SATSIM_EXPORT char* SAT_WINAPI Base64ToAscii()
{
    ThreadRecord& record = threadRecord();
    record.decoded = satsim::base64::decode(record.last.payload);
    return record.decoded.data();
}
