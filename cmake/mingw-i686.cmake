# Cross build for 32-bit Windows (VB6 and 32-bit Office load only this).
set(QUORVEL_MINGW_PROCESSOR i686)
set(QUORVEL_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
