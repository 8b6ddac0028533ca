# The same sources give the same executable wherever and whenever they are
# built: the build machine's folders, absolute or relative to the build
# folder, are written as short fixed names into what the compiler keeps of
# file names (__FILE__ in assertions and logs, debug information), and the
# linker writes no time into the file header.
# (Packages hold their entries sorted by name, with no times; the build sets
# no date of its own.) Only Windows builds ship.
if(WIN32)
  get_filename_component(_kavri_cache_root "${KAVRI_CACHE}" ABSOLUTE)
  # Ninja names the sources relative to the build folder ("../../support/x.cpp"
  # from build/win32): that form is mapped too, first, so the absolute ones
  # below still win where they match.
  file(RELATIVE_PATH _kavri_source_from_build "${CMAKE_BINARY_DIR}" "${CMAKE_SOURCE_DIR}")
  # Without its trailing slash ("../.."), so "../../script/x.cpp" becomes
  # "kavri/script/x.cpp" as the absolute form does (a compiler cache with a
  # base folder hands the compiler this relative form).
  string(REGEX REPLACE "/+$" "" _kavri_source_from_build "${_kavri_source_from_build}")
  if(_kavri_source_from_build)
    add_compile_options("-ffile-prefix-map=${_kavri_source_from_build}=kavri")
  endif()
  add_compile_options(
    "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=kavri"
    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build"
    "-ffile-prefix-map=${_kavri_cache_root}=cache")
  add_link_options(-Wl,--no-insert-timestamp)
endif()
