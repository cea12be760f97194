# 32-bit Windows with mingw-w64: the convention most makers' device libraries are built for.
set(VEXOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
