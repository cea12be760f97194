#pragma once

#include <functional>
#include <optional>
#include <type_traits>

// A device call that can keep the device busy for minutes (a software update, an end-to-end
// test) runs on a worker thread while the user-interface thread goes on painting and running
// timers. Until it returns no window takes input and none can be closed, so no other device
// call can start and the device is never left half-way by a closed window.
namespace devicecall {

// Runs the work on a worker and returns when it is done; false, running nothing, when another
// such call is still under way. An exception thrown by the work is thrown again here.
bool runOffUiThread(const std::function<void()>& work);

template <typename Work> std::optional<std::invoke_result_t<Work>> run(Work work)
{
    std::optional<std::invoke_result_t<Work>> result;
    if (!runOffUiThread([&] { result = work(); }))
        return std::nullopt;
    return result;
}

// True while a call runs.
bool running();

} // namespace devicecall
