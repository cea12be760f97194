#include "Simulator.h"

#include <exception>

namespace satsim {

Simulator::Simulator() : random_(std::random_device{}()) {}

std::optional<Reply> Simulator::injectedFault(DeviceState& state, Function function,
                                              int session)
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
    case Fault::None:
        break;
    }
    if (fault.remaining > 0 && --fault.remaining == 0)
        fault = FaultSetting{};
    return reply;
}

const Reply& Simulator::call(Function function, int session,
                             const std::function<Reply(Device&)>& operation)
{
    DeviceState& state = store_.refresh(StateStore::configuredPath(), deviceNow(0));
    Reply reply;
    try {
        if (auto fault = injectedFault(state, function, session)) {
            reply = std::move(*fault);
        } else {
            Device device(state, deviceNow(state.clockOffset), random_);
            reply = operation(device);
        }
    } catch (const std::exception& error) {
        // A device answers; whatever went wrong inside it, the caller gets a refusal.
        reply = Device::unexpected(function, session,
                                   std::string("Erro interno do SAT: ") + error.what());
    }
    // A state that cannot be written leaves the device working from memory.
    store_.save();
    last_ = std::move(reply);
    return last_;
}

} // namespace satsim
