# Cross-compiles for 32-bit Windows: the shipped installer.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KAVRI_MINGW_TRIPLE i686-w64-mingw32)
set(KAVRI_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
