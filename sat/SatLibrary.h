#pragma once

// The device library's exported interface, as every maker's library provides it.
// Shared by the client, the simulated device and the scripted test device.

#include <cstdint>
#include <type_traits>

#if defined(_WIN32)
#define SAT_WINAPI __stdcall
#else
#define SAT_WINAPI
#endif

extern "C" {

// Error record of the last main call.
struct COMM_ERROR {
    std::int32_t code;
    char msg[300];
};

// Transport failures; any other code is the device's own reply code.
enum codes : std::int32_t {
    __NOERROR__ = 0,
    __NOCONNECT__ = 1,
    __CMDUNKERROR__ = 4,
    __TIMEOUT__ = 0x8000,
    __SEMCTS__ = 0x8001,
};

using AtivarSATFn = char*(SAT_WINAPI*)(int sessao, int tipocertificado, char* atv, char* cnpj,
                                       int uf);
using AssociarAssinaturaFn = char*(SAT_WINAPI*)(int sessao, char* atv, char* cnpj,
                                                char* assinatura);
using ConfigurarInterfaceDeRedeFn = char*(SAT_WINAPI*)(int sessao, char* atv, char* xml);
using ConsultarStatusOperacionalFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using ExtrairLogsFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using EnviarDadosVendaFn = char*(SAT_WINAPI*)(int sessao, char* atv, char* dadosVenda);
using CancelarUltimaVendaFn = char*(SAT_WINAPI*)(int sessao, char* atv, char* chave,
                                                 char* dadosCancelamento);
using TesteFimAFimFn = char*(SAT_WINAPI*)(int sessao, char* atv, char* dadosVenda);
using ConsultarSATFn = char*(SAT_WINAPI*)(int sessao);
using BloquearSATFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using DesbloquearSATFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using TrocarCodigoDeAtivacaoFn = char*(SAT_WINAPI*)(int sessao, char* codigo, int opcao,
                                                    char* novoCodigo, char* confNovoCodigo);
using AtualizarSoftwareSATFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using CodigoErroFn = COMM_ERROR(SAT_WINAPI*)();
using Base64ToAsciiFn = char*(SAT_WINAPI*)();

} // extern "C"

#if defined(_WIN32) && !defined(_WIN64)
// A 32-bit maker's library removes its own arguments (__stdcall); called through a pointer of
// the compiler's default convention, the caller would remove them again and wreck its stack.
namespace satlibrary {
template <typename Fn> struct IsWinapi : std::false_type {
};
template <typename R, typename... Args> struct IsWinapi<R(__stdcall*)(Args...)> : std::true_type {
};
static_assert(!std::is_same_v<void(__stdcall*)(), void(__cdecl*)()> && !IsWinapi<void (*)()>::value,
              "the compiler must tell the calling conventions apart for the checks below");
} // namespace satlibrary

static_assert(std::is_same_v<AtivarSATFn, char*(__stdcall*)(int, int, char*, char*, int)>);
static_assert(satlibrary::IsWinapi<AtivarSATFn>::value);
static_assert(satlibrary::IsWinapi<AssociarAssinaturaFn>::value);
static_assert(satlibrary::IsWinapi<ConfigurarInterfaceDeRedeFn>::value);
static_assert(satlibrary::IsWinapi<ConsultarStatusOperacionalFn>::value);
static_assert(satlibrary::IsWinapi<ExtrairLogsFn>::value);
static_assert(satlibrary::IsWinapi<EnviarDadosVendaFn>::value);
static_assert(satlibrary::IsWinapi<CancelarUltimaVendaFn>::value);
static_assert(satlibrary::IsWinapi<TesteFimAFimFn>::value);
static_assert(satlibrary::IsWinapi<ConsultarSATFn>::value);
static_assert(satlibrary::IsWinapi<BloquearSATFn>::value);
static_assert(satlibrary::IsWinapi<DesbloquearSATFn>::value);
static_assert(satlibrary::IsWinapi<TrocarCodigoDeAtivacaoFn>::value);
static_assert(satlibrary::IsWinapi<AtualizarSoftwareSATFn>::value);
static_assert(satlibrary::IsWinapi<CodigoErroFn>::value);
static_assert(satlibrary::IsWinapi<Base64ToAsciiFn>::value);
#endif
