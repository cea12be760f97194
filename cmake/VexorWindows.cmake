# Windows specifics of device libraries and of running the cross-built tests.

# vexor_undecorated_exports(<target>)
# A device library exports its functions under their bare names, as a maker's dllsat.dll does.
# MinGW would name a 32-bit __stdcall export "AtivarSAT@20"; --kill-at drops the suffix.
function(vexor_undecorated_exports target)
    if(WIN32)
        set_target_properties(${target} PROPERTIES PREFIX "")
        if(MINGW)
            target_link_options(${target} PRIVATE -Wl,--kill-at)
        endif()
    endif()
endfunction()

# vexor_self_contained(<target>)
# A program or library that tests copy into folders of their own: with MinGW the compiler's
# runtime is linked in, so it runs with nothing beside it.
function(vexor_self_contained target)
    if(MINGW)
        target_link_options(${target} PRIVATE -static)
    endif()
endfunction()

# vexor_check_exports(<target> NAMES <name>...)
# A test that reads the built DLL's export table: every name is exported as it is written, and
# no export carries a calling-convention decoration.
function(vexor_check_exports target)
    cmake_parse_arguments(ARG "" "" "NAMES" ${ARGN})
    if(NOT WIN32 OR NOT CMAKE_OBJDUMP)
        return()
    endif()
    string(REPLACE ";" "," names "${ARG_NAMES}")
    add_test(NAME ${target}_exports
        COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:${target}> -DOBJDUMP=${CMAKE_OBJDUMP}
                -DNAMES=${names} -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
    set_tests_properties(${target}_exports PROPERTIES LABELS exports)
endfunction()

# vexor_wine_emulator()
# Cross-built Windows programs run under Wine, in a Wine prefix of this build's own. Sets
# CMAKE_CROSSCOMPILING_EMULATOR for the targets created after it, unless already given.
macro(vexor_wine_emulator)
    if(CMAKE_CROSSCOMPILING AND WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
        # wine64 runs 64-bit programs only (given a 32-bit one it ends, successfully, without
        # running it); 32-bit programs need the loader of Debian's wine32 package.
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            find_program(VEXOR_WINE NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
        else()
            find_program(VEXOR_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE)
        endif()
        if(VEXOR_WINE)
            set(CMAKE_CROSSCOMPILING_EMULATOR
                ${PROJECT_SOURCE_DIR}/cmake/wine-run ${CMAKE_BINARY_DIR}/wine ${VEXOR_WINE})
            if(VEXOR_WINDOWS_PREFIX)
                # The prefix's DLLs (Qt, libxml2, OpenSSL) and the compiler's runtime, which
                # they import, are found where they are.
                execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                                OUTPUT_VARIABLE runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
                get_filename_component(runtime "${runtime}" DIRECTORY)
                find_file(VEXOR_WINPTHREAD libwinpthread-1.dll
                          PATHS /usr/${VEXOR_MINGW_TRIPLET}/lib NO_DEFAULT_PATH)
                get_filename_component(winpthread "${VEXOR_WINPTHREAD}" DIRECTORY)
                list(PREPEND CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env
                     "VEXOR_WINE_DLLS=${VEXOR_WINDOWS_PREFIX}/bin:${runtime}:${winpthread}")
            endif()
        else()
            message(STATUS "Wine not found: the Windows tests are built but cannot run here")
        endif()
    endif()
endmacro()
