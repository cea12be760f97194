# Cross-building for Windows with Debian's mingw-w64 compilers; included by the per-target files,
# which set VEXOR_MINGW_TRIPLET. The posix thread model gives the full C++ thread library.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR "${VEXOR_MINGW_TRIPLET}")

set(CMAKE_C_COMPILER ${VEXOR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXOR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXOR_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${VEXOR_MINGW_TRIPLET}-objdump CACHE FILEPATH "objdump for the target")

set(CMAKE_FIND_ROOT_PATH /usr/${VEXOR_MINGW_TRIPLET})
# Qt, libxml2 and OpenSSL for Windows, built by scripts/windows-prefix.
if(VEXOR_WINDOWS_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH ${VEXOR_WINDOWS_PREFIX})
    list(APPEND CMAKE_PREFIX_PATH ${VEXOR_WINDOWS_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VEXOR_WINDOWS_PREFIX)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libgcc, libstdc++, winpthread) is linked in, so programs and device
# libraries run without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
