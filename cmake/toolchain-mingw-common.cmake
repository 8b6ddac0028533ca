# Shared part of the two Windows toolchains: Debian's mingw-w64 posix compilers
# (so std::mutex and std::thread work) for KAVRI_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${KAVRI_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVRI_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KAVRI_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVRI_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)

# Every Windows executable, test or program, runs under Wine (32- or 64-bit, as
# built) in the build's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${KAVRI_WINE_BITS})
