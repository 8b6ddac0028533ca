# Third-party code, all of it from Debian's packages or the set-up cache; none is
# kept in this repository (scripts/setup.sh installs it).

# --- Lua 5.2, compiled as C++ so a Lua error unwinds C++ frames (it throws
# instead of longjmp-ing past destructors). Our code includes lua.h, lauxlib.h and
# lualib.h directly, never lua.hpp's extern "C" block. The native build needs it
# for the fuzz targets and the native test of the script's JSON functions.
if(NOT KAVRI_HOST_ONLY OR KAVRI_FUZZ OR KAVRI_BUILD_TESTS)
if(NOT EXISTS "${LUA_SOURCE_DIR}/lapi.c")
  message(FATAL_ERROR "Lua 5.2 source not found in ${LUA_SOURCE_DIR}: run scripts/setup.sh")
endif()
set(_lua_core lapi lcode lctype ldebug ldo ldump lfunc lgc llex lmem lobject lopcodes
  lparser lstate lstring ltable ltm lundump lvm lzio lauxlib lbaselib lbitlib lcorolib
  ldblib liolib lmathlib loslib lstrlib ltablib loadlib linit)
set(_lua_sources)
foreach(f ${_lua_core})
  list(APPEND _lua_sources "${LUA_SOURCE_DIR}/${f}.c")
endforeach()
set_source_files_properties(${_lua_sources} PROPERTIES LANGUAGE CXX)
add_library(lua52 STATIC ${_lua_sources})
target_include_directories(lua52 SYSTEM PUBLIC "${LUA_SOURCE_DIR}")
target_compile_definitions(lua52 PUBLIC LUA_COMPAT_ALL)
if(NOT WIN32)
  target_compile_definitions(lua52 PUBLIC LUA_USE_POSIX)
endif()
target_compile_options(lua52 PRIVATE -w -x c++)
endif()

# --- LZMA SDK (encoder and decoder), single-threaded.
foreach(f LzmaDec.c LzmaEnc.c LzFind.c LzmaDec.h LzmaEnc.h Types.h)
  if(NOT EXISTS "${LZMA_SDK_DIR}/${f}")
    message(FATAL_ERROR "LZMA SDK file ${f} not found in ${LZMA_SDK_DIR}: run scripts/setup.sh")
  endif()
endforeach()
add_library(lzma_sdk STATIC
  "${LZMA_SDK_DIR}/LzmaDec.c" "${LZMA_SDK_DIR}/LzmaEnc.c" "${LZMA_SDK_DIR}/LzFind.c")
target_include_directories(lzma_sdk SYSTEM PUBLIC "${LZMA_SDK_DIR}")
target_compile_definitions(lzma_sdk PUBLIC _7ZIP_ST)
target_compile_options(lzma_sdk PRIVATE -w)

# --- Header-only libraries.
add_library(rapidxml INTERFACE)
target_include_directories(rapidxml SYSTEM INTERFACE /usr/include/rapidxml)
add_library(stb_image INTERFACE)
target_include_directories(stb_image SYSTEM INTERFACE /usr/include/stb)

# --- GoogleTest, built from Debian's sources with the current compiler.
if(KAVRI_BUILD_TESTS)
  if(NOT EXISTS "${GTEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${GTEST_SOURCE_DIR}: run scripts/setup.sh")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory("${GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()

# Common warnings and, on Windows, a self-contained executable: libgcc, libstdc++
# and winpthreads linked statically.
add_library(kavri_options INTERFACE)
target_include_directories(kavri_options INTERFACE ${CMAKE_SOURCE_DIR})
# -Wconversion catches values narrowed on the way (a 64-bit size or pointer-sized
# message parameter stored in 32 bits); signedness changes are left to review.
target_compile_options(kavri_options INTERFACE -Wall -Wextra -Wno-unused-parameter
  -Wconversion -Wno-sign-conversion)
if(WIN32)
  target_compile_definitions(kavri_options INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN
    NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_link_options(kavri_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
