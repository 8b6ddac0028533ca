# kavri_add_fuzz_target(<name> SOURCES <files...> [LIBS <libs...>])
#
# A libFuzzer executable of the native build, for clang only: configure the
# host build with -DKAVRI_FUZZ=ON and clang (scripts/fuzz-json.sh does), and
# everything it compiles gets AddressSanitizer, UndefinedBehaviorSanitizer and
# the fuzzer's coverage; the fuzz target itself also links libFuzzer's main.
option(KAVRI_FUZZ "Build the libFuzzer targets (native build with clang only)" OFF)

if(KAVRI_FUZZ)
  if(NOT KAVRI_HOST_ONLY OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KAVRI_FUZZ needs the native build (KAVRI_HOST_ONLY=ON) compiled with clang")
  endif()
  add_compile_options(-g -O1 -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

function(kavri_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} kavri_options)
endfunction()
