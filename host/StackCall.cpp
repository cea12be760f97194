#include "StackCall.h"

namespace stackcall {

#if defined(__i386__)

namespace {

struct Frame {
    void* function;
    std::uint32_t count;
    std::uint32_t arguments[maxArguments];
};

} // namespace

std::uintptr_t call(void* function, const std::uintptr_t* arguments, std::size_t count)
{
    Frame frame{function, static_cast<std::uint32_t>(count), {}};
    for (std::size_t i = 0; i < count && i < maxArguments; ++i)
        frame.arguments[i] = static_cast<std::uint32_t>(arguments[i]);
    std::uint32_t result;
    // %esi holds the frame and %edi the caller's stack pointer: both survive the call in
    // either convention. The arguments are copied below a 16-byte aligned stack pointer.
    asm volatile("movl %%esp, %%edi\n\t"
                 "movl 4(%%esi), %%ecx\n\t"
                 "leal 0(,%%ecx,4), %%eax\n\t"
                 "subl %%eax, %%esp\n\t"
                 "andl $-16, %%esp\n\t"
                 "xorl %%edx, %%edx\n\t"
                 "1:\n\t"
                 "cmpl %%ecx, %%edx\n\t"
                 "jae 2f\n\t"
                 "movl 8(%%esi,%%edx,4), %%eax\n\t"
                 "movl %%eax, (%%esp,%%edx,4)\n\t"
                 "incl %%edx\n\t"
                 "jmp 1b\n\t"
                 "2:\n\t"
                 "call *(%%esi)\n\t"
                 "movl %%edi, %%esp\n\t"
                 : "=a"(result)
                 : "S"(&frame)
                 : "ecx", "edx", "edi", "memory", "cc");
    return result;
}

#else

// One convention: the arguments go in registers as wide as a pointer, a number's upper half
// unread by the callee.
std::uintptr_t call(void* function, const std::uintptr_t* a, std::size_t count)
{
    using U = std::uintptr_t;
    switch (count) {
    case 0:
        return reinterpret_cast<U (*)()>(function)();
    case 1:
        return reinterpret_cast<U (*)(U)>(function)(a[0]);
    case 2:
        return reinterpret_cast<U (*)(U, U)>(function)(a[0], a[1]);
    case 3:
        return reinterpret_cast<U (*)(U, U, U)>(function)(a[0], a[1], a[2]);
    case 4:
        return reinterpret_cast<U (*)(U, U, U, U)>(function)(a[0], a[1], a[2], a[3]);
    case 5:
        return reinterpret_cast<U (*)(U, U, U, U, U)>(function)(a[0], a[1], a[2], a[3], a[4]);
    case 6:
        return reinterpret_cast<U (*)(U, U, U, U, U, U)>(function)(a[0], a[1], a[2], a[3], a[4],
                                                                   a[5]);
    case 7:
        return reinterpret_cast<U (*)(U, U, U, U, U, U, U)>(function)(a[0], a[1], a[2], a[3], a[4],
                                                                      a[5], a[6]);
    default:
        return reinterpret_cast<U (*)(U, U, U, U, U, U, U, U)>(function)(a[0], a[1], a[2], a[3],
                                                                         a[4], a[5], a[6], a[7]);
    }
}

#endif

} // namespace stackcall
