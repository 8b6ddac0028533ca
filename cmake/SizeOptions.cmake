# Size of the shipped installer executables (Windows builds only).
#
# kavri_optimise_for_size(), called once every target exists:
#  - the libraries an installer links are compiled for size (-Os), except the
#    sources on the hot paths (payload decoding and writing, checksums and
#    hashes, the control tree's events and layout, image decoding and drawing,
#    the Lua interpreter's core), which keep -O2 so that installing and the
#    benchmarks of those paths do not get slower;
#  - 32-bit: unwind tables only where exceptions need them (-fno-asynchronous-
#    unwind-tables): C++ functions an exception can pass through keep theirs,
#    the C code of the LZMA SDK (which calls nothing that throws) has none.
#    64-bit Windows unwinds through tables every function must have (and
#    without them GCC would fall back to another exception model), so there
#    they stay;
#  - with KAVRI_LTO (on by default) the libraries also carry the compiler's
#    intermediate code (-flto -ffat-lto-objects: tests and benchmarks link the
#    ordinary code as before) and the installers are linked with link-time
#    optimisation, which drops what no installer reaches. (--gc-sections
#    alone drops little: every function's unwind entry keeps it alive.) The
#    whole program is optimised as one partition: GCC 12 for mingw-w64 fails
#    internally when it splits it. Every other executable (and library) is linked without
#    the linker plugin: with it, ld takes the intermediate code of the fat
#    objects too and reports the C++ library's inline functions as defined
#    twice (those of a non-LTO object and those of the plugin's); the
#    installers' own objects are therefore compiled with -flto as well.
#    Included before any target exists, so every folder sees the link flag.
option(KAVRI_LTO "Link the installer executables with link-time optimisation" ON)
if(WIN32 AND KAVRI_LTO)
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " -fno-use-linker-plugin")
  endforeach()
endif()

set(KAVRI_SIZE_LIBRARIES lua52 lzma_sdk kavri_support kavri_json kavri_package kavri_dui_core
  kavri_dui_controls kavri_dui_markup kavri_script kavri_startup)

# Hot sources, by target: compiled for speed.
set(KAVRI_HOT_lzma_sdk "${LZMA_SDK_DIR}/LzmaDec.c")
set(KAVRI_HOT_kavri_package crc32.cpp lzma_codec.cpp payload_extractor.cpp payload_prefetch.cpp
  mapped_file_source.cpp pe_checksum.cpp)
set(KAVRI_HOT_kavri_support content_hash.cpp)
set(KAVRI_HOT_kavri_dui_core core/control.cpp core/control_paint.cpp core/control_registry.cpp
  core/delegate.cpp core/event.cpp core/handler_table.cpp core/image_decoder.cpp core/layout.cpp
  core/layout_panels.cpp core/msimg.cpp core/object.cpp core/object_pool.cpp core/panel.cpp
  core/skin_image.cpp core/skin_placement.cpp core/stb_image_impl.cpp core/style_lookup.cpp)
set(KAVRI_HOT_kavri_dui_controls controls/cross_fade.cpp controls/edit_blocks.cpp controls/edit_model.cpp
  controls/text_layout.cpp)
set(KAVRI_HOT_lua52)
foreach(f lapi lcode ldo lfunc lgc llex lmem lobject lparser lstring ltable ltm lvm lzio)
  list(APPEND KAVRI_HOT_lua52 "${LUA_SOURCE_DIR}/${f}.c")
endforeach()

function(kavri_optimise_for_size)
  if(NOT WIN32)
    return()
  endif()
  set(unwind)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(unwind -fno-asynchronous-unwind-tables)
  endif()
  foreach(target ${KAVRI_SIZE_LIBRARIES})
    target_compile_options(${target} PRIVATE -Os ${unwind})
    if(KAVRI_LTO)
      target_compile_options(${target} PRIVATE -flto -ffat-lto-objects)
    endif()
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(source ${KAVRI_HOT_${target}})
      if(NOT IS_ABSOLUTE "${source}")
        set(source "${dir}/${source}")
      endif()
      if(NOT EXISTS "${source}")
        message(FATAL_ERROR "kavri_optimise_for_size: hot source ${source} of ${target} does not exist")
      endif()
      set_property(SOURCE "${source}" TARGET_DIRECTORY ${target} APPEND PROPERTY COMPILE_OPTIONS -O2)
    endforeach()
  endforeach()
  foreach(installer ${ARGN})
    if(TARGET ${installer} AND KAVRI_LTO)
      target_compile_options(${installer} PRIVATE -Os ${unwind} -flto -ffat-lto-objects)
      target_link_options(${installer} PRIVATE -fuse-linker-plugin -flto -flto-partition=one ${unwind})
    endif()
  endforeach()
endfunction()
