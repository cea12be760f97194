cmake_minimum_required(VERSION 3.24)

# cmake -DLIBRARY=<dll> -DOBJDUMP=<objdump> -DNAMES=<a,b,...> -P CheckExports.cmake
# Fails unless the DLL exports every listed name exactly as written and no name is decorated
# (a 32-bit __stdcall export left as "AtivarSAT@20" would not be found as "AtivarSAT").
execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
    OUTPUT_VARIABLE dump RESULT_VARIABLE status ERROR_VARIABLE error)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed: ${error}")
endif()

# The export names are listed as "\t[   0] AtivarSAT" under this heading, up to a blank line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${LIBRARY} has no export name table")
endif()
string(SUBSTRING "${dump}" ${start} -1 table)
string(FIND "${table}" "\n\n" end)
string(SUBSTRING "${table}" 0 ${end} table)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
set(exported "")
foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
    list(APPEND exported "${name}")
endforeach()

string(REPLACE "," ";" expected "${NAMES}")
set(problems "")
foreach(name IN LISTS expected)
    if(NOT name IN_LIST exported)
        string(APPEND problems "\n  missing: ${name}")
    endif()
endforeach()
foreach(name IN LISTS exported)
    if(name MATCHES "@")
        string(APPEND problems "\n  decorated: ${name}")
    endif()
endforeach()
if(problems)
    message(FATAL_ERROR "${LIBRARY} exports:${problems}")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY}: ${count} undecorated exports")
