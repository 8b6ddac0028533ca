# Cross-compiles for 64-bit Windows: the same sources, run under 64-bit Wine on
# machines that cannot execute 32-bit Linux programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KAVRI_MINGW_TRIPLE x86_64-w64-mingw32)
set(KAVRI_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
