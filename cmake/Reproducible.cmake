# The same sources give the same executable wherever and whenever they are
# built: the build machine's folders are written as short fixed names into
# what the compiler keeps of file names (__FILE__ in assertions and logs,
# debug information), and the linker writes no time into the file header.
# (Packages hold their entries sorted by name, with no times; the build sets
# no date of its own.) Only Windows builds ship.
if(WIN32)
  get_filename_component(_kavri_cache_root "${KAVRI_CACHE}" ABSOLUTE)
  add_compile_options(
    "-ffile-prefix-map=${CMAKE_SOURCE_DIR}=kavri"
    "-ffile-prefix-map=${CMAKE_BINARY_DIR}=build"
    "-ffile-prefix-map=${_kavri_cache_root}=cache")
  add_link_options(-Wl,--no-insert-timestamp)
endif()
