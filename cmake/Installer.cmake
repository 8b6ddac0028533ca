# add_installer(<target> CONTENT <folder> [STYLE <folder>] [ICON <file.ico>]
#               [OUTPUT_NAME <name>] [PAYLOAD_TARGETS <target>...]
#               [MODULES <file.lua>...])
#
# Builds an installer executable from a content folder:
#   <folder>/UI.lua      start-up script
#   <folder>/LG.lua      background script
#   <folder>/<name>.lua  a module both scripts can `require "<name>"`
#   <folder>/style/      skin package content   -> "style.lz" (STYLE names another folder)
#   <folder>/frame/      layout package content -> "frame.lz"
#   <folder>/program/    payload                -> "program.lz" (optional: none is an empty payload)
#   <folder>/icon.ico    optional window icon (ICON overrides it)
# PAYLOAD_TARGETS puts the files of other targets (an uninstaller, a helper
# program) at the payload's root beside the files of program/; a target's file
# wins over a program/ file of the same name. MODULES adds modules that live
# elsewhere (the uninstaller shares the setup's this way). The packages are
# packed with the host package builder; the script helpers of the host
# (script/registry.lua) and the modules are joined onto the first line of
# UI.lua, the modules onto the first line of LG.lua (JoinPrelude.cmake: line
# numbers in error messages stay those of the scripts), and everything is
# embedded as "_KavriResc" resources next to the manifest and icon group 2.
# After linking, the file's checksum is written into its header
# (tools/pechecksum); sign the executable only after that.
set(KAVRI_INSTALLER_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(add_installer target)
  cmake_parse_arguments(ARG "" "CONTENT;ICON;OUTPUT_NAME;STYLE" "PAYLOAD_TARGETS;MODULES" ${ARGN})
  if(NOT ARG_CONTENT)
    message(FATAL_ERROR "add_installer(${target}): CONTENT <folder> is required")
  endif()
  get_filename_component(content "${ARG_CONTENT}" ABSOLUTE)
  set(style "${content}/style")
  if(ARG_STYLE)
    get_filename_component(style "${ARG_STYLE}" ABSOLUTE)
  endif()
  foreach(required "${content}/UI.lua" "${content}/LG.lua" "${style}" "${content}/frame")
    if(NOT EXISTS "${required}")
      message(FATAL_ERROR "add_installer(${target}): ${required} is missing")
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
  foreach(pkg style frame)
    set(folder "${content}/${pkg}")
    if(pkg STREQUAL "style")
      set(folder "${style}")
    endif()
    file(GLOB_RECURSE pkg_files CONFIGURE_DEPENDS "${folder}/*")
    add_custom_command(
      OUTPUT "${out}/${pkg}.lz"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${out}"
      COMMAND ${KAVRI_HOST_LZPACK} create "${out}/${pkg}.lz" "${folder}"
      DEPENDS kavri_host ${KAVRI_HOST_LZPACK} ${pkg_files}
      COMMENT "Packing ${target}: ${pkg}.lz"
      VERBATIM)
    list(APPEND packages "${out}/${pkg}.lz")
  endforeach()

  # The payload: program/ as it is, or staged with the other targets' files
  # (or empty) in a folder of its own, rebuilt from scratch each time so a
  # removed file never lingers.
  set(program_files)
  if(EXISTS "${content}/program")
    file(GLOB_RECURSE program_files CONFIGURE_DEPENDS "${content}/program/*")
  endif()
  if(EXISTS "${content}/program" AND NOT ARG_PAYLOAD_TARGETS)
    set(payload "${content}/program")
    set(stage_commands)
  else()
    set(payload "${out}/payload")
    set(stage_commands
      COMMAND ${CMAKE_COMMAND} -E rm -rf "${payload}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${payload}")
    if(EXISTS "${content}/program")
      list(APPEND stage_commands COMMAND ${CMAKE_COMMAND} -E copy_directory "${content}/program" "${payload}")
    endif()
    foreach(payload_target ${ARG_PAYLOAD_TARGETS})
      list(APPEND stage_commands COMMAND ${CMAKE_COMMAND} -E copy "$<TARGET_FILE:${payload_target}>" "${payload}/")
    endforeach()
  endif()
  add_custom_command(
    OUTPUT "${out}/program.lz"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${out}"
    ${stage_commands}
    COMMAND ${KAVRI_HOST_LZPACK} create "${out}/program.lz" "${payload}"
    DEPENDS kavri_host ${KAVRI_HOST_LZPACK} ${program_files} ${ARG_PAYLOAD_TARGETS}
    COMMENT "Packing ${target}: program.lz"
    VERBATIM)
  list(APPEND packages "${out}/program.lz")

  # The modules: the content folder's own, then those named; one name once.
  file(GLOB modules CONFIGURE_DEPENDS "${content}/*.lua")
  list(REMOVE_ITEM modules "${content}/UI.lua" "${content}/LG.lua")
  foreach(module ${ARG_MODULES})
    get_filename_component(module "${module}" ABSOLUTE)
    list(APPEND modules "${module}")
  endforeach()
  set(module_names)
  foreach(module ${modules})
    get_filename_component(name "${module}" NAME_WLE)
    if(name IN_LIST module_names)
      message(FATAL_ERROR "add_installer(${target}): two modules are named \"${name}\" (${modules})")
    endif()
    list(APPEND module_names "${name}")
  endforeach()
  string(REPLACE ";" "|" module_arg "${modules}")

  set(prelude "${KAVRI_SOURCE_ROOT}/script/registry.lua")
  set(join "${KAVRI_INSTALLER_CMAKE_DIR}/JoinPrelude.cmake")
  add_custom_command(
    OUTPUT "${out}/UI.lua"
    COMMAND ${CMAKE_COMMAND} -DPRELUDE=${prelude} -DMODULES=${module_arg} -DSCRIPT=${content}/UI.lua
            -DOUTPUT=${out}/UI.lua -P "${join}"
    DEPENDS "${prelude}" "${content}/UI.lua" ${modules} "${join}"
    COMMENT "Preparing ${target}: UI.lua"
    VERBATIM)
  add_custom_command(
    OUTPUT "${out}/LG.lua"
    COMMAND ${CMAKE_COMMAND} -DMODULES=${module_arg} -DSCRIPT=${content}/LG.lua -DOUTPUT=${out}/LG.lua
            -P "${join}"
    DEPENDS "${content}/LG.lua" ${modules} "${join}"
    COMMENT "Preparing ${target}: LG.lua"
    VERBATIM)

  set(rc "${out}/installer.rc")
  set(KAVRI_RC_UI "${out}/UI.lua")
  set(KAVRI_RC_LG "${out}/LG.lua")
  set(KAVRI_RC_FRAME "${out}/frame.lz")
  set(KAVRI_RC_PROGRAM "${out}/program.lz")
  set(KAVRI_RC_STYLE "${out}/style.lz")
  set(KAVRI_RC_ICON "${icon}")
  set(KAVRI_RC_MANIFEST "${KAVRI_SOURCE_ROOT}/app/resources/installer.manifest")
  configure_file("${KAVRI_SOURCE_ROOT}/app/resources/installer.rc.in" "${rc}" @ONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS
    "${out}/UI.lua;${out}/LG.lua;${packages};${icon};${KAVRI_RC_MANIFEST}")

  add_executable(${target} WIN32 "${KAVRI_SOURCE_ROOT}/app/main.cpp" "${rc}")
  target_link_libraries(${target} PRIVATE kavri_startup)
  # Shipped to users: no debug information (it would add ~15 MB), and no
  # section nothing refers to. Sections start on page boundaries in the file
  # too, so the loader can map the resources (the payload) from the file
  # instead of reading them all in at start: only the pages read cost memory.
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections -Wl,--file-alignment,0x1000)
  # The whole file's checksum in its header, which the installer checks at
  # start-up to tell a damaged download (signing, done later, rewrites it).
  add_dependencies(${target} kavri_host)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${KAVRI_HOST_PECHECKSUM} write "$<TARGET_FILE:${target}>"
    COMMENT "Writing the checksum of ${target}"
    VERBATIM)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  endif()
endfunction()
