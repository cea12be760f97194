include(GoogleTest)

# vexor_add_test(<name> SOURCES ... LIBS ... [ENVIRONMENT ...])
# Builds one test program and registers it with ctest. A GoogleTest program (one that links
# GTest::gtest or GTest::gtest_main) gets one ctest entry per test case, so a failure names its
# case; any other program (the Qt screen tests) is one entry. Tests never depend on the
# machine's display, locale or time zone, so each runs offscreen, in the C locale and in UTC.
# The folders listed in VEXOR_TEST_PATH go before the test's PATH.
function(vexor_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} vexor_warnings)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/tests)
    if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
        # Built so that it is known to compile; with nothing here to run it, listing its cases
        # would fail every ctest run of this build.
        return()
    endif()

    set(environment QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=UTC ${ARG_ENVIRONMENT})
    list(FILTER environment EXCLUDE REGEX "^$")
    set(path_changes)
    foreach(folder IN LISTS VEXOR_TEST_PATH)
        list(APPEND path_changes "PATH=path_list_prepend:${folder}")
    endforeach()

    set(gtest OFF)
    if(GTest::gtest IN_LIST ARG_LIBS OR GTest::gtest_main IN_LIST ARG_LIBS)
        set(gtest ON)
    endif()
    set(properties TIMEOUT 300)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        # An emulator can end successfully without having run the program: a cross-built test
        # passes only when its framework reports that it passed.
        if(gtest)
            list(APPEND properties
                PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
                FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
        else()
            list(APPEND properties
                PASS_REGULAR_EXPRESSION "Totals: [0-9]+ passed, 0 failed"
                FAIL_REGULAR_EXPRESSION "FAIL!  :")
        endif()
        if(WIN32)
            # Windows QtTest reports to the debugger unless told otherwise, and the offscreen
            # platform there reads its fonts from one folder.
            list(APPEND environment QT_FORCE_STDERR_LOGGING=1)
            find_path(VEXOR_TEST_FONTS DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu
                      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
            if(VEXOR_TEST_FONTS)
                list(APPEND environment QT_QPA_FONTDIR=Z:${VEXOR_TEST_FONTS})
            endif()
        endif()
    endif()

    if(gtest)
        # Listing the cases runs the program; under an emulator that happens when ctest starts.
        gtest_discover_tests(${name}
            TEST_PREFIX "${name}."
            TEST_LIST ${name}_CASES
            NO_PRETTY_VALUES
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 120)
        # gtest_discover_tests hands each property value on as one word, which would split the
        # environment; a script of our own, read by ctest after the cases are known, sets them.
        set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
        set(text "set_tests_properties(\${${name}_CASES} PROPERTIES")
        string(APPEND text "\n    ENVIRONMENT [==[${environment}]==]")
        if(path_changes)
            string(APPEND text "\n    ENVIRONMENT_MODIFICATION [==[${path_changes}]==]")
        endif()
        foreach(item IN LISTS properties)
            string(APPEND text "\n    [==[${item}]==]")
        endforeach()
        string(APPEND text ")\n")
        file(WRITE "${script}" "if(${name}_CASES)\n${text}endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
    else()
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" ${properties})
        if(path_changes)
            set_tests_properties(${name} PROPERTIES ENVIRONMENT_MODIFICATION "${path_changes}")
        endif()
    endif()
endfunction()
