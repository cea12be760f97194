#pragma once

#include <cstddef>
#include <cstdint>

// Calls a library function whose arguments are all numbers or pointers, `count` of them (at
// most maxArguments), and returns what it leaves in the return register. On 32-bit x86 the
// stack pointer is kept aside and put back after the call, so a function that removes its own
// arguments (__stdcall) and one that leaves them to the caller (__cdecl) both return to a
// sound stack. A function that returns a large structure takes the address to fill as its
// first argument.
namespace stackcall {

constexpr std::size_t maxArguments = 8;

std::uintptr_t call(void* function, const std::uintptr_t* arguments, std::size_t count);

} // namespace stackcall
