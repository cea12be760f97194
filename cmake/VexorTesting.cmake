# vexor_add_test(<name> SOURCES ... LIBS ... [ENVIRONMENT ...])
# Registers one test program with ctest. Tests never depend on the machine's display,
# locale or time zone, so each runs offscreen, in the C locale and in UTC. The folders listed
# in VEXOR_TEST_PATH go before the test's PATH.
function(vexor_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} vexor_warnings)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tests)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C;TZ=UTC;${ARG_ENVIRONMENT}"
        TIMEOUT 300)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        # An emulator can end successfully without having run the program: a cross-built test
        # passes only when GoogleTest reports that it passed.
        set_tests_properties(${name} PROPERTIES
            PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
            FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    endif()
    foreach(folder IN LISTS VEXOR_TEST_PATH)
        set_property(TEST ${name} APPEND PROPERTY
            ENVIRONMENT_MODIFICATION "PATH=path_list_prepend:${folder}")
    endforeach()
endfunction()
