# add_installer(<target> CONTENT <folder> [ICON <file.ico>] [OUTPUT_NAME <name>])
#
# Builds an installer executable from a content folder:
#   <folder>/UI.lua      start-up script
#   <folder>/LG.lua      background script
#   <folder>/style/      skin package content   -> "style.lz"
#   <folder>/frame/      layout package content -> "frame.lz"
#   <folder>/program/    payload                -> "program.lz"
#   <folder>/icon.ico    optional window icon (ICON overrides it)
# The three folders are packed with the host package builder, the script
# helpers of the host (script/registry.lua) are joined onto the first line of UI.lua
# (so line numbers in error messages stay those of UI.lua), and everything is
# embedded as "_KavriResc" resources next to the manifest and icon group 2.
set(KAVRI_INSTALLER_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(add_installer target)
  cmake_parse_arguments(ARG "" "CONTENT;ICON;OUTPUT_NAME" "" ${ARGN})
  if(NOT ARG_CONTENT)
    message(FATAL_ERROR "add_installer(${target}): CONTENT <folder> is required")
  endif()
  get_filename_component(content "${ARG_CONTENT}" ABSOLUTE)
  foreach(required UI.lua LG.lua style frame program)
    if(NOT EXISTS "${content}/${required}")
      message(FATAL_ERROR "add_installer(${target}): ${content}/${required} is missing")
    endif()
  endforeach()
  set(icon "${KAVRI_SOURCE_ROOT}/app/resources/installer.ico")
  if(EXISTS "${content}/icon.ico")
    set(icon "${content}/icon.ico")
  endif()
  if(ARG_ICON)
    get_filename_component(icon "${ARG_ICON}" ABSOLUTE)
  endif()

  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}.content")
  set(packages)
  # Packed again when a file or the packer itself changes.
  foreach(pkg style frame program)
    file(GLOB_RECURSE pkg_files CONFIGURE_DEPENDS "${content}/${pkg}/*")
    add_custom_command(
      OUTPUT "${out}/${pkg}.lz"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${out}"
      COMMAND ${KAVRI_HOST_LZPACK} create "${out}/${pkg}.lz" "${content}/${pkg}"
      DEPENDS kavri_host ${KAVRI_HOST_LZPACK} ${pkg_files}
      COMMENT "Packing ${target}: ${pkg}.lz"
      VERBATIM)
    list(APPEND packages "${out}/${pkg}.lz")
  endforeach()

  set(prelude "${KAVRI_SOURCE_ROOT}/script/registry.lua")
  add_custom_command(
    OUTPUT "${out}/UI.lua"
    COMMAND ${CMAKE_COMMAND} -DPRELUDE=${prelude} -DSCRIPT=${content}/UI.lua -DOUTPUT=${out}/UI.lua
            -P "${KAVRI_INSTALLER_CMAKE_DIR}/JoinPrelude.cmake"
    DEPENDS "${prelude}" "${content}/UI.lua" "${KAVRI_INSTALLER_CMAKE_DIR}/JoinPrelude.cmake"
    COMMENT "Preparing ${target}: UI.lua"
    VERBATIM)

  set(rc "${out}/installer.rc")
  set(KAVRI_RC_UI "${out}/UI.lua")
  set(KAVRI_RC_LG "${content}/LG.lua")
  set(KAVRI_RC_FRAME "${out}/frame.lz")
  set(KAVRI_RC_PROGRAM "${out}/program.lz")
  set(KAVRI_RC_STYLE "${out}/style.lz")
  set(KAVRI_RC_ICON "${icon}")
  set(KAVRI_RC_MANIFEST "${KAVRI_SOURCE_ROOT}/app/resources/installer.manifest")
  configure_file("${KAVRI_SOURCE_ROOT}/app/resources/installer.rc.in" "${rc}" @ONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS
    "${out}/UI.lua;${content}/LG.lua;${packages};${icon};${KAVRI_RC_MANIFEST}")

  add_executable(${target} WIN32 "${KAVRI_SOURCE_ROOT}/app/main.cpp" "${rc}")
  target_link_libraries(${target} PRIVATE kavri_startup)
  # Shipped to users: no debug information (it would add ~15 MB), and no
  # section nothing refers to. Sections start on page boundaries in the file
  # too, so the loader can map the resources (the payload) from the file
  # instead of reading them all in at start: only the pages read cost memory.
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections -Wl,--file-alignment,0x1000)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  endif()
endfunction()
