#pragma once

#include "Device.h"
#include "Reply.h"
#include "StateStore.h"

#include <functional>
#include <random>

// One simulated SAT behind the library's functions: each call takes the state's lock, reads
// back the state file when something else changed it, answers with a fault when one is set,
// else lets the device answer, and keeps the state before it lets the lock go. One call at a
// time: the caller serialises the calls of its own threads.
namespace satsim {

class Simulator {
public:
    Simulator();

    Reply call(Function function, int session, const std::function<Reply(Device&)>& operation);

    // The answer a set fault gives instead of the device, consuming one use of it.
    static std::optional<Reply> injectedFault(DeviceState& state, Function function, int session);

private:
    StateStore store_;
    std::mt19937 random_;
};

} // namespace satsim
