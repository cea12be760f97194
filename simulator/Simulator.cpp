#include "Simulator.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string_view>
#include <thread>

namespace satsim {

Simulator::Simulator() : random_(std::random_device{}()) {}

std::optional<Reply> Simulator::injectedFault(DeviceState& state, Function function, int session)
{
    if (state.unplugged)
        return transportFailure(function == Function::ExtrairLogs ? logPortFailureText
                                                                  : portFailureText,
                                1, "Porta de comunicação não conectada");
    for (auto it = state.answers.begin(); it != state.answers.end(); ++it) {
        if (functionByName(it->function) != function)
            continue;
        Reply reply = transportFailure(it->text, it->code, it->message);
        if (--it->remaining <= 0)
            state.answers.erase(it);
        return reply;
    }
    FaultSetting& fault = state.fault;
    if (fault.kind == Fault::None ||
        (!fault.function.empty() && functionByName(fault.function) != function))
        return std::nullopt;
    Reply reply;
    switch (fault.kind) {
    case Fault::Timeout:
        reply = transportFailure("Timeout: o SAT não respondeu", 0x8000,
                                 "TimeOut: Equipamento não está respondendo as mensagens.");
        break;
    case Fault::NoCts:
        reply = transportFailure("Sem sinal CTS", 0x8001, "Sem Sinal CTS.");
        break;
    case Fault::Unrecognised:
        reply = transportFailure("Comando recebido do equipamento não reconhecido", 4,
                                 "Comando recebido do equipamento não reconhecido.");
        break;
    case Fault::Busy:
        reply = answer(session, codeBase(function) * 1000 + 98,
                       "SAT em processamento. Tente novamente.");
        break;
    case Fault::Slow:
    case Fault::None:
        break;
    }
    const bool slow = fault.kind == Fault::Slow;
    if (fault.remaining > 0 && --fault.remaining == 0)
        fault = FaultSetting{};
    if (slow)
        return std::nullopt; // the device answers, only later
    return reply;
}

namespace {

// The fault a call of the function meets: the port, a chosen answer (Fault::Unrecognised
// stands for both: the device never sees the command), a set fault, or none.
Fault faultFor(const DeviceState& state, Function function)
{
    if (state.unplugged)
        return Fault::Unrecognised;
    for (const ScriptedAnswer& a : state.answers)
        if (functionByName(a.function) == function)
            return Fault::Unrecognised;
    if (state.fault.function.empty() || functionByName(state.fault.function) == function)
        return state.fault.kind;
    return Fault::None;
}

// The consultations give back what the device answered before; they are not answers to keep.
bool keepsSession(Function function, int session, const Reply& reply)
{
    return function != Function::ConsultarNumeroSessao &&
           function != Function::ConsultarUltimaSessaoFiscal && session >= 0 && session <= 999999 &&
           reply.text.size() > 7 && reply.text[6] == '|';
}

void keepSession(DeviceState& state, Function function, int session, const Reply& reply)
{
    SessionRecord record{
        session, std::string(functionName(function)), reply.code, reply.message, reply.text, 0};
    if (!reply.payload.empty()) {
        std::size_t field = 1;
        for (std::size_t start = 0;; ++field) {
            const std::size_t end = reply.text.find('|', start);
            if (std::string_view(reply.text).substr(start, end - start) == reply.payload) {
                record.payloadField = field;
                break;
            }
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    // A session number used again names the newest answer.
    std::erase_if(state.sessions,
                  [session](const SessionRecord& r) { return r.session == session; });
    state.sessions.push_back(std::move(record));
    if (state.sessions.size() <= maxSessionRecords)
        return;
    // The oldest goes, unless it is the last fiscal session, which is kept however old.
    const auto lastFiscal = std::find_if(state.sessions.rbegin(), state.sessions.rend(),
                                         [](const SessionRecord& r) { return isFiscal(r); });
    auto oldest = state.sessions.begin();
    if (lastFiscal != state.sessions.rend() && &*lastFiscal == &*oldest)
        ++oldest;
    state.sessions.erase(oldest);
}

} // namespace

Reply Simulator::call(Function function, int session,
                      const std::function<Reply(Device&)>& operation)
{
    const std::filesystem::path path = StateStore::configuredPath();
    const StateLock lock(path);
    DeviceState& state = store_.refresh(path, deviceNow(0));
    Reply reply;
    try {
        const Fault met = faultFor(state, function);
        // A time-out loses the answer on its way back: the device did the work. A busy
        // device received the command too; other faults keep it from the device.
        const bool answerLost = met == Fault::Timeout;
        const bool received =
            met == Fault::None || answerLost || met == Fault::Busy || met == Fault::Slow;
        const int slowSeconds = met == Fault::Slow ? state.fault.seconds : 0;
        auto fault = injectedFault(state, function, session);
        if (received) {
            Device device(state, deviceNow(state.clockOffset), random_);
            device.logCommand(function, session);
            if (!fault || answerLost) {
                reply = operation(device);
                if (keepsSession(function, session, reply))
                    keepSession(state, function, session, reply);
            }
            // Busy all that time: the lock stays held, so every other call waits.
            std::this_thread::sleep_for(std::chrono::seconds(slowSeconds));
        }
        if (fault)
            reply = std::move(*fault);
    } catch (const std::exception& error) {
        // A device answers; whatever went wrong inside it, the caller gets a refusal.
        reply = Device::unexpected(function, session,
                                   std::string("Erro interno do SAT: ") + error.what());
    }
    // A state that cannot be written leaves the device working from memory.
    store_.save();
    return reply;
}

} // namespace satsim
