// A device library for tests: it exports every function of a real SAT library, records
// each call with its exact argument bytes, and answers from a script the test sets through
// the TestDevice_ control functions.

#include "SatLibrary.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#define TESTDEVICE_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTDEVICE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// A build in the other convention a 32-bit library may have, for the host's tests: on Windows
// the caller removes the arguments (__cdecl), elsewhere the callee (stdcall).
#if defined(TESTDEVICE_OTHER_CONVENTION) && defined(_WIN32)
#define TESTDEVICE_CALL __cdecl
#elif defined(TESTDEVICE_OTHER_CONVENTION)
#define TESTDEVICE_CALL __attribute__((stdcall))
#else
#define TESTDEVICE_CALL SAT_WINAPI
#endif

namespace {

struct Answer {
    std::optional<std::string> result; // nullopt: the function returns a null pointer
    std::int32_t code = 0;
    std::string msg;
    std::string payloadBase64;
};

struct Call {
    std::string function;
    std::vector<std::optional<std::string>> args; // nullopt: a null pointer was passed
};

struct Device {
    std::map<std::string, std::deque<Answer>> scripts;
    std::map<std::string, int> delaysMs; // the next call of the function waits this long
    std::string crashIn;                 // the function whose next call crashes the process
    Answer fallback{std::string(), 0, std::string(), std::string()};
    std::vector<Call> calls;
    std::string result;
    COMM_ERROR error{};
    std::string payload;
};

std::string fromHex(const char* hex)
{
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        bytes += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
    return bytes;
}

std::string toHex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

// A copy loaded by a host process is reached through its environment: its fallback answer
// (the result, code and message in hexadecimal, the payload in Base64) comes from there, and it
// writes each call to the file named there, one line a call, the arguments in hexadecimal ("-" for
// a null pointer).
Device fromEnvironment()
{
    Device d;
    if (const char* result = std::getenv("VEXOR_TESTDEVICE_RESULT"))
        d.fallback.result = fromHex(result);
    if (const char* code = std::getenv("VEXOR_TESTDEVICE_CODE"))
        d.fallback.code = std::atoi(code);
    if (const char* msg = std::getenv("VEXOR_TESTDEVICE_MESSAGE"))
        d.fallback.msg = fromHex(msg);
    if (const char* payload = std::getenv("VEXOR_TESTDEVICE_PAYLOAD"))
        d.fallback.payloadBase64 = payload;
    return d;
}

void logCall(const Call& call)
{
    const char* path = std::getenv("VEXOR_TESTDEVICE_LOG");
    if (!path)
        return;
    std::string line = call.function;
    for (const auto& arg : call.args)
        line += " " + (arg ? toHex(*arg) : std::string("-"));
    if (std::FILE* log = std::fopen(path, "ab")) {
        std::fputs((line + "\n").c_str(), log);
        std::fclose(log);
    }
}

Device& device()
{
    static Device instance = fromEnvironment();
    return instance;
}

// A slow call runs on a worker thread while the test's own thread reads the record.
std::mutex& deviceMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Calls now waiting out a scripted delay.
std::atomic<int> waitingCalls{0};

std::string decodeBase64(const std::string& text)
{
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '+')
            value = 62;
        else if (c == '/')
            value = 63;
        else
            continue;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// A faulty maker's library: the process dies inside the call, as with an invalid access.
// Called with the device's mutex held; nothing after it runs.
void crashIfAsked(const char* function)
{
    // A host process loads a copy of its own, which a test reaches through its environment.
    const char* asked = std::getenv("VEXOR_TESTDEVICE_CRASH_IN");
    if (device().crashIn == function || (asked && std::string_view(asked) == function))
        std::raise(SIGSEGV);
}

std::optional<std::string> text(const char* arg)
{
    return arg ? std::optional<std::string>(arg) : std::nullopt;
}

std::optional<std::string> number(int arg)
{
    return std::to_string(arg);
}

char* answer(const char* function, std::vector<std::optional<std::string>> args)
{
    int delayMs = 0;
    {
        std::lock_guard lock(deviceMutex());
        Device& d = device();
        d.calls.push_back({function, std::move(args)});
        logCall(d.calls.back());
        crashIfAsked(function);
        auto delay = d.delaysMs.find(function);
        if (delay != d.delaysMs.end()) {
            delayMs = delay->second;
            d.delaysMs.erase(delay);
        }
    }
    if (delayMs > 0) {
        ++waitingCalls;
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        --waitingCalls;
    }

    std::lock_guard lock(deviceMutex());
    Device& d = device();
    Answer a = d.fallback;
    auto queue = d.scripts.find(function);
    if (queue != d.scripts.end() && !queue->second.empty()) {
        a = queue->second.front();
        queue->second.pop_front();
    }
    d.error = COMM_ERROR{};
    d.error.code = a.code;
    // A message of 300 bytes or more fills the record with no terminator, as a faulty library
    // might.
    std::memcpy(d.error.msg, a.msg.data(), std::min(a.msg.size(), sizeof d.error.msg));
    d.payload = decodeBase64(a.payloadBase64);
    if (!a.result)
        return nullptr;
    d.result = *a.result;
    return d.result.data();
}

} // namespace

// ---- The device library's functions ----
// TESTDEVICE_STATUS_ONLY builds a library that has ConsultarStatusOperacional and the two
// helper functions only, so that every other function is missing from a loaded library.

#if !defined(TESTDEVICE_STATUS_ONLY)
TESTDEVICE_EXPORT char* TESTDEVICE_CALL AtivarSAT(int sessao, int tipo, char* atv, char* cnpj,
                                                  int uf)
{
    return answer("AtivarSAT", {number(sessao), number(tipo), text(atv), text(cnpj), number(uf)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL AssociarAssinatura(int sessao, char* atv, char* cnpj,
                                                           char* sign)
{
    return answer("AssociarAssinatura", {number(sessao), text(atv), text(cnpj), text(sign)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL ConfigurarInterfaceDeRede(int sessao, char* atv, char* xml)
{
    return answer("ConfigurarInterfaceDeRede", {number(sessao), text(atv), text(xml)});
}
#endif

TESTDEVICE_EXPORT char* TESTDEVICE_CALL ConsultarStatusOperacional(int sessao, char* atv)
{
    return answer("ConsultarStatusOperacional", {number(sessao), text(atv)});
}

#if !defined(TESTDEVICE_STATUS_ONLY)
#if !defined(TESTDEVICE_WITHOUT_EXTRAIRLOGS)
TESTDEVICE_EXPORT char* TESTDEVICE_CALL ExtrairLogs(int sessao, char* atv)
{
    return answer("ExtrairLogs", {number(sessao), text(atv)});
}
#endif

TESTDEVICE_EXPORT char* TESTDEVICE_CALL EnviarDadosVenda(int sessao, char* atv, char* dados)
{
    return answer("EnviarDadosVenda", {number(sessao), text(atv), text(dados)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL CancelarUltimaVenda(int sessao, char* atv, char* chave,
                                                            char* dados)
{
    return answer("CancelarUltimaVenda", {number(sessao), text(atv), text(chave), text(dados)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL TesteFimAFim(int sessao, char* atv, char* dados)
{
    return answer("TesteFimAFim", {number(sessao), text(atv), text(dados)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL ConsultarSAT(int sessao)
{
    return answer("ConsultarSAT", {number(sessao)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL BloquearSAT(int sessao, char* atv)
{
    return answer("BloquearSAT", {number(sessao), text(atv)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL DesbloquearSAT(int sessao, char* atv)
{
    return answer("DesbloquearSAT", {number(sessao), text(atv)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL TrocarCodigoDeAtivacao(int sessao, char* codigo, int opcao,
                                                               char* novo, char* conf)
{
    return answer("TrocarCodigoDeAtivacao",
                  {number(sessao), text(codigo), number(opcao), text(novo), text(conf)});
}

TESTDEVICE_EXPORT char* TESTDEVICE_CALL AtualizarSoftwareSAT(int sessao, char* atv)
{
    return answer("AtualizarSoftwareSAT", {number(sessao), text(atv)});
}
#endif

#if !defined(TESTDEVICE_WITHOUT_CODIGOERRO)
TESTDEVICE_EXPORT COMM_ERROR TESTDEVICE_CALL CodigoErro()
{
    std::lock_guard lock(deviceMutex());
    device().calls.push_back({"CodigoErro", {}});
    logCall(device().calls.back());
    crashIfAsked("CodigoErro");
    return device().error;
}
#endif

#if !defined(TESTDEVICE_WITHOUT_BASE64TOASCII)
TESTDEVICE_EXPORT char* TESTDEVICE_CALL Base64ToAscii()
{
    std::lock_guard lock(deviceMutex());
    device().calls.push_back({"Base64ToAscii", {}});
    logCall(device().calls.back());
    crashIfAsked("Base64ToAscii");
    return device().payload.data();
}
#endif

// Each export has exactly the type the client calls it through, calling convention included.
#if !defined(TESTDEVICE_OTHER_CONVENTION)
static_assert(std::is_same_v<decltype(&ConsultarStatusOperacional), ConsultarStatusOperacionalFn>);
#if !defined(TESTDEVICE_STATUS_ONLY)
static_assert(std::is_same_v<decltype(&AtivarSAT), AtivarSATFn>);
static_assert(std::is_same_v<decltype(&AssociarAssinatura), AssociarAssinaturaFn>);
static_assert(std::is_same_v<decltype(&ConfigurarInterfaceDeRede), ConfigurarInterfaceDeRedeFn>);
#if !defined(TESTDEVICE_WITHOUT_EXTRAIRLOGS)
static_assert(std::is_same_v<decltype(&ExtrairLogs), ExtrairLogsFn>);
#endif
static_assert(std::is_same_v<decltype(&EnviarDadosVenda), EnviarDadosVendaFn>);
static_assert(std::is_same_v<decltype(&CancelarUltimaVenda), CancelarUltimaVendaFn>);
static_assert(std::is_same_v<decltype(&TesteFimAFim), TesteFimAFimFn>);
static_assert(std::is_same_v<decltype(&ConsultarSAT), ConsultarSATFn>);
static_assert(std::is_same_v<decltype(&BloquearSAT), BloquearSATFn>);
static_assert(std::is_same_v<decltype(&DesbloquearSAT), DesbloquearSATFn>);
static_assert(std::is_same_v<decltype(&TrocarCodigoDeAtivacao), TrocarCodigoDeAtivacaoFn>);
static_assert(std::is_same_v<decltype(&AtualizarSoftwareSAT), AtualizarSoftwareSATFn>);
#endif
#if !defined(TESTDEVICE_WITHOUT_CODIGOERRO)
static_assert(std::is_same_v<decltype(&CodigoErro), CodigoErroFn>);
#endif
#if !defined(TESTDEVICE_WITHOUT_BASE64TOASCII)
static_assert(std::is_same_v<decltype(&Base64ToAscii), Base64ToAsciiFn>);
#endif
#endif

// ---- Control functions for the tests ----

TESTDEVICE_EXPORT void TestDevice_Reset()
{
    std::lock_guard lock(deviceMutex());
    device() = Device{};
}

// Queues one answer for the next call of a function; calls beyond the queue get the fallback.
TESTDEVICE_EXPORT void TestDevice_Script(const char* function, const char* result, int resultLength,
                                         int code, const char* msg, int msgLength,
                                         const char* payloadBase64)
{
    Answer a;
    if (result)
        a.result = std::string(result, static_cast<std::size_t>(resultLength));
    a.code = code;
    a.msg.assign(msg ? msg : "", msg ? static_cast<std::size_t>(msgLength) : 0);
    a.payloadBase64 = payloadBase64 ? payloadBase64 : "";
    std::lock_guard lock(deviceMutex());
    if (function)
        device().scripts[function].push_back(a);
    else
        device().fallback = a;
}

// The next call of the function waits this many milliseconds before it answers, as a slow
// device does; the call is recorded when it starts.
TESTDEVICE_EXPORT void TestDevice_Delay(const char* function, int milliseconds)
{
    std::lock_guard lock(deviceMutex());
    device().delaysMs[function] = milliseconds;
}

// The next call of the function ends the process with SIGSEGV (on Windows the C runtime's
// default for it: exit status 3), after the call is recorded.
TESTDEVICE_EXPORT void TestDevice_CrashIn(const char* function)
{
    std::lock_guard lock(deviceMutex());
    device().crashIn = function ? function : "";
}

TESTDEVICE_EXPORT int TestDevice_WaitingCalls()
{
    return waitingCalls.load();
}

// The record is read while no call is starting: a call that starts may move the texts that
// TestDevice_CallFunction and TestDevice_Arg point into.
TESTDEVICE_EXPORT int TestDevice_CallCount()
{
    std::lock_guard lock(deviceMutex());
    return static_cast<int>(device().calls.size());
}

TESTDEVICE_EXPORT const char* TestDevice_CallFunction(int call)
{
    std::lock_guard lock(deviceMutex());
    return device().calls.at(static_cast<std::size_t>(call)).function.c_str();
}

TESTDEVICE_EXPORT int TestDevice_ArgCount(int call)
{
    std::lock_guard lock(deviceMutex());
    return static_cast<int>(device().calls.at(static_cast<std::size_t>(call)).args.size());
}

// The argument's bytes and their count in *length, or null (and -1) for a null pointer.
TESTDEVICE_EXPORT const char* TestDevice_Arg(int call, int arg, int* length)
{
    std::lock_guard lock(deviceMutex());
    const auto& value =
        device().calls.at(static_cast<std::size_t>(call)).args.at(static_cast<std::size_t>(arg));
    *length = value ? static_cast<int>(value->size()) : -1;
    return value ? value->data() : nullptr;
}
