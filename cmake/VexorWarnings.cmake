# Warnings for our own code, in one place; third-party headers are not affected.
add_library(vexor_warnings INTERFACE)
if(MSVC)
    target_compile_options(vexor_warnings INTERFACE /W4 /permissive- /utf-8)
else()
    target_compile_options(vexor_warnings INTERFACE
        -Wall -Wextra -Wpedantic -Wshadow -Wold-style-cast)
endif()
