# Cross build for 64-bit Windows (64-bit Office cannot load a 32-bit control).
set(QUORVEL_MINGW_PROCESSOR x86_64)
set(QUORVEL_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
