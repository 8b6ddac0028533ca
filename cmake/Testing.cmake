# kavri_add_test(<name> SOURCES <files...> [LIBS <libs...>] [LOCKS <locks...>] [TIMEOUT <s>])
#
# One GoogleTest executable registered as one CTest test. In the Windows build
# it runs under Wine (the cross-compiling emulator) in the build's own prefix;
# tests sharing machine-wide state (the instance mutex, the restart marker,
# the registry) name a common lock so CTest never runs them at the same time.
# What every Windows test (and a test script that starts Windows programs itself)
# is given: the build's own prefix and the Wine loader for its architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KAVRI_WINE_BITS 64)
else()
  set(KAVRI_WINE_BITS 32)
endif()
set(KAVRI_WINE_TEST_ENV "KAVRI_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;KAVRI_WINE_BITS=${KAVRI_WINE_BITS}")

function(kavri_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LOCKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} gtest_main kavri_options)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${KAVRI_WINE_TEST_ENV}")
  endif()
  if(ARG_LOCKS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_LOCKS}")
  endif()
endfunction()
