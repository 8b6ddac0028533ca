# add_installer(<target> CONTENT <folder> [PRODUCT <product.json>] [UNINSTALLER]
#               [STYLE <folder>] [ICON <file.ico>] [OUTPUT_NAME <name>] [FILE_NAME <name.exe>]
#               [PAYLOAD_TARGETS <target>...] [MODULES <file.lua>...] [BUILD_UNINSTALLER]
#               [SIGN <cert.pfx> PASSWORD_FILE <file> [TIMESTAMP <url>]] [EXCLUDE_FROM_ALL])
#
# Builds an installer executable from a content folder:
#   <folder>/product.json the product (name, version, publisher, install mode, ...;
#                        PRODUCT names another file, as the uninstaller names the setup's)
#   <folder>/UI.lua      start-up script
#   <folder>/LG.lua      background script
#   <folder>/<name>.lua  a module both scripts can `require "<name>"`
#   <folder>/style/      skin package content   -> "style.lz" (STYLE names another folder)
#   <folder>/frame/      layout package content -> "frame.lz"
#   <folder>/program/    payload                -> "program.lz" (optional: none is an empty payload)
#   <folder>/icon.ico    optional window icon (the product file's "icon" wins, ICON over both)
# The product file is checked (tools/productfile: each problem with its field
# and line stops the build) and becomes the module "product" (product.lua,
# which the content folder must not hold itself), the version resource
# (VERSIONINFO: product name and version, publisher, copyright, the file's
# description and name; UNINSTALLER describes the file as the product's
# uninstaller; FILE_NAME is the file name it records, by default the output's)
# and the manifest (this build's processor architecture; administrator rights
# only for a per-machine install mode).
# BUILD_UNINSTALLER builds the product's uninstaller as the target
# <target>Uninstaller ("Uninstall.exe") from <folder>/uninstall/ (UI.lua,
# LG.lua, frame/), or from the project's default uninstaller when the content
# has none, with this installer's product file, skin, icon and modules (the
# default uninstaller's shared.lua and install_log.lua when the content lacks
# them), signed like the setup, and puts it into the payload.
# PAYLOAD_TARGETS puts the files of other targets (an uninstaller, a helper
# program) at the payload's root beside the files of program/; a target's file
# wins over a program/ file of the same name. MODULES adds modules that live
# elsewhere (the uninstaller shares the setup's this way). The packages are
# packed with the host package builder; the scripts pass through the host
# script stripper (comments and needless blanks left out, every token on its
# line, so error messages keep the authors' line numbers); the script helpers of the host
# (script/registry.lua) and the modules are joined onto the first line of
# UI.lua, the modules onto the first line of LG.lua (JoinPrelude.cmake: line
# numbers in error messages stay those of the scripts), and everything is
# embedded as "_KavriResc" resources next to the manifest, the version
# resource and icon group 2.
# After linking, the file's checksum is written into its header
# (tools/pechecksum); with SIGN the file is then signed
# (scripts/sign-installer.sh: Authenticode with osslsigncode, countersigned by
# the RFC 3161 time-stamp server TIMESTAMP when given), last, so a target
# signed this way is signed when another installer packs it into its payload.
# A failed signing fails the build and removes the unsigned file.
set(KAVRI_INSTALLER_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(add_installer target)
  cmake_parse_arguments(ARG "UNINSTALLER;EXCLUDE_FROM_ALL;BUILD_UNINSTALLER"
    "CONTENT;ICON;OUTPUT_NAME;STYLE;PRODUCT;FILE_NAME;SIGN;PASSWORD_FILE;TIMESTAMP;DEFAULT_ICON" "PAYLOAD_TARGETS;MODULES" ${ARGN})
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
      message(FATAL_ERROR "add_installer(${target}): ${required} is missing: the project's installer/ folder "
                          "holds one to copy (see docs/installer-authoring.md)")
    endif()
  endforeach()
  set(product "${content}/product.json")
  if(ARG_PRODUCT)
    get_filename_component(product "${ARG_PRODUCT}" ABSOLUTE)
  endif()
  if(NOT EXISTS "${product}")
    message(FATAL_ERROR "add_installer(${target}): ${product} is missing: every installer describes its product "
                        "there (copy installer/product.json and edit it; see docs/installer-authoring.md)")
  endif()
  if(EXISTS "${content}/product.lua")
    message(FATAL_ERROR "add_installer(${target}): ${content}/product.lua is written by the build from the "
                        "product file: move its fields into ${product} and remove it")
  endif()
  if(ARG_SIGN AND NOT ARG_PASSWORD_FILE)
    message(FATAL_ERROR "add_installer(${target}): SIGN needs PASSWORD_FILE, the file whose first line is the "
                        "certificate's password")
  endif()
  if(ARG_TIMESTAMP AND NOT ARG_SIGN)
    message(FATAL_ERROR "add_installer(${target}): TIMESTAMP needs SIGN")
  endif()
  # The icon: ICON, else the product file's (which the product tool finds),
  # else the content's icon.ico, else the project's default.
  set(default_icon "${KAVRI_SOURCE_ROOT}/app/resources/installer.ico")
  if(ARG_DEFAULT_ICON AND EXISTS "${ARG_DEFAULT_ICON}")   # the setup's, for its built-in uninstaller
    set(default_icon "${ARG_DEFAULT_ICON}")
  endif()
  if(EXISTS "${content}/icon.ico")
    set(default_icon "${content}/icon.ico")
  endif()
  set(icon_option)
  set(icon_file)
  if(ARG_ICON)
    get_filename_component(icon_file "${ARG_ICON}" ABSOLUTE)
    set(icon_option --icon "${icon_file}")
  endif()
  get_filename_component(product_folder "${product}" DIRECTORY)   # where the product file's icon lies
  file(GLOB_RECURSE content_icons CONFIGURE_DEPENDS "${product_folder}/*.ico")
  set(role setup)
  if(ARG_UNINSTALLER)
    set(role uninstaller)
  endif()
  set(file_name "${target}.exe")
  if(ARG_OUTPUT_NAME)
    set(file_name "${ARG_OUTPUT_NAME}.exe")
  endif()
  if(ARG_FILE_NAME)
    set(file_name "${ARG_FILE_NAME}")
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(arch amd64)
  else()
    set(arch x86)
  endif()

  if(ARG_BUILD_UNINSTALLER)
    # The uninstaller: the content's own, else the default one; the modules
    # both sides share (the report protocol, the install log's format) are
    # the content's where it has them.
    set(uninstall_content "${KAVRI_SOURCE_ROOT}/installer/uninstall")
    if(EXISTS "${content}/uninstall")
      set(uninstall_content "${content}/uninstall")
    endif()
    file(GLOB uninstall_modules CONFIGURE_DEPENDS "${content}/*.lua")
    list(REMOVE_ITEM uninstall_modules "${content}/UI.lua" "${content}/LG.lua")
    foreach(shared_module shared install_log)
      if(NOT EXISTS "${content}/${shared_module}.lua")
        list(APPEND uninstall_modules "${KAVRI_SOURCE_ROOT}/installer/${shared_module}.lua")
      endif()
    endforeach()
    set(uninstall_signing)
    if(ARG_SIGN)
      set(uninstall_signing SIGN "${ARG_SIGN}" PASSWORD_FILE "${ARG_PASSWORD_FILE}")
      if(ARG_TIMESTAMP)
        list(APPEND uninstall_signing TIMESTAMP "${ARG_TIMESTAMP}")
      endif()
    endif()
    set(uninstall_icon)
    if(ARG_ICON)
      set(uninstall_icon ICON "${ARG_ICON}")
    endif()
    set(uninstall_exclude)
    if(ARG_EXCLUDE_FROM_ALL)
      set(uninstall_exclude EXCLUDE_FROM_ALL)
    endif()
    add_installer(${target}Uninstaller CONTENT "${uninstall_content}" PRODUCT "${product}" UNINSTALLER
      STYLE "${style}" OUTPUT_NAME Uninstall MODULES ${uninstall_modules} ${uninstall_signing} ${uninstall_exclude}
      DEFAULT_ICON "${content}/icon.ico" ${uninstall_icon})
    # Its own folder: another installer's "Uninstall.exe" may lie in this one.
    set_target_properties(${target}Uninstaller PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/${target}.uninstaller")
    list(APPEND ARG_PAYLOAD_TARGETS ${target}Uninstaller)
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

  # What the build makes of the product file.
  set(product_outputs "${out}/product.lua" "${out}/version.rc" "${out}/strings.rc" "${out}/installer.manifest" "${out}/icon.ico"
      "${out}/signing.txt")
  add_custom_command(
    OUTPUT ${product_outputs}
    COMMAND ${KAVRI_HOST_PRODUCTFILE} generate "${product}" "${out}" --arch ${arch} --role ${role}
            --file-name "${file_name}" --default-icon "${default_icon}" ${icon_option}
    DEPENDS kavri_host ${KAVRI_HOST_PRODUCTFILE} "${product}" "${default_icon}" ${icon_file} ${content_icons}
    COMMENT "Checking ${target}'s product file"
    VERBATIM)

  # The modules: the content folder's own, then those named, and the
  # product's; one name once.
  file(GLOB modules CONFIGURE_DEPENDS "${content}/*.lua")
  list(REMOVE_ITEM modules "${content}/UI.lua" "${content}/LG.lua")
  foreach(module ${ARG_MODULES})
    get_filename_component(module "${module}" ABSOLUTE)
    if(module MATCHES "/product\\.lua$")
      message(FATAL_ERROR "add_installer(${target}): ${module} in MODULES: product.lua is written by the build "
                          "from the product file (PRODUCT names the file to use)")
    endif()
    list(APPEND modules "${module}")
  endforeach()
  list(APPEND modules "${out}/product.lua")
  # Where the product module is, for tests that run the scripts on their own.
  set(${target}_PRODUCT_MODULE "${out}/product.lua" PARENT_SCOPE)
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
            -DOUTPUT=${out}/UI.lua -DSTRIP=${KAVRI_HOST_SCRIPTSTRIP} -P "${join}"
    DEPENDS "${prelude}" "${content}/UI.lua" ${modules} "${join}" kavri_host ${KAVRI_HOST_SCRIPTSTRIP}
    COMMENT "Preparing ${target}: UI.lua"
    VERBATIM)
  add_custom_command(
    OUTPUT "${out}/LG.lua"
    COMMAND ${CMAKE_COMMAND} -DMODULES=${module_arg} -DSCRIPT=${content}/LG.lua -DOUTPUT=${out}/LG.lua
            -DSTRIP=${KAVRI_HOST_SCRIPTSTRIP} -P "${join}"
    DEPENDS "${content}/LG.lua" ${modules} "${join}" kavri_host ${KAVRI_HOST_SCRIPTSTRIP}
    COMMENT "Preparing ${target}: LG.lua"
    VERBATIM)

  set(rc "${out}/installer.rc")
  set(KAVRI_RC_UI "${out}/UI.lua")
  set(KAVRI_RC_LG "${out}/LG.lua")
  set(KAVRI_RC_FRAME "${out}/frame.lz")
  set(KAVRI_RC_PROGRAM "${out}/program.lz")
  set(KAVRI_RC_STYLE "${out}/style.lz")
  set(KAVRI_RC_ICON "${out}/icon.ico")
  set(KAVRI_RC_MANIFEST "${out}/installer.manifest")
  set(KAVRI_RC_VERSION "${out}/version.rc")
  set(KAVRI_RC_STRINGS "${out}/strings.rc")
  configure_file("${KAVRI_SOURCE_ROOT}/app/resources/installer.rc.in" "${rc}" @ONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS
    "${out}/UI.lua;${out}/LG.lua;${packages};${product_outputs}")

  set(exclude)
  if(ARG_EXCLUDE_FROM_ALL)
    set(exclude EXCLUDE_FROM_ALL)
  endif()
  add_executable(${target} WIN32 ${exclude} "${KAVRI_SOURCE_ROOT}/app/main.cpp" "${rc}")
  target_link_libraries(${target} PRIVATE kavri_startup)
  # Shipped to users: no debug information (it would add ~15 MB), and no
  # section nothing refers to. Sections start on page boundaries in the file
  # too, so the loader can map the resources (the payload) from the file
  # instead of reading them all in at start: only the pages read cost memory.
  target_link_options(${target} PRIVATE -municode -s -Wl,--gc-sections -Wl,--file-alignment,0x1000)
  # The whole file's checksum in its header, which the installer checks at
  # start-up to tell a damaged download; signing, last, writes it again over
  # the signed file, and the signed file is checked before it replaces the
  # unsigned one.
  add_dependencies(${target} kavri_host)
  set(sign_commands)
  set(signing_comment)
  if(ARG_SIGN)
    set(signing_comment ", signing it")
    get_filename_component(cert "${ARG_SIGN}" ABSOLUTE)
    get_filename_component(password "${ARG_PASSWORD_FILE}" ABSOLUTE)
    set(timestamp)
    if(ARG_TIMESTAMP)
      set(timestamp --timestamp "${ARG_TIMESTAMP}")
    endif()
    set(sign_commands COMMAND bash "${KAVRI_SOURCE_ROOT}/scripts/sign-installer.sh" --sign "${cert}"
      --password-file "${password}" ${timestamp} --description-file "${out}/signing.txt"
      --pechecksum ${KAVRI_HOST_PECHECKSUM} "$<TARGET_FILE:${target}>")
    # Another certificate or password signs the file again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${cert}" "${password}")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${KAVRI_HOST_PECHECKSUM} write "$<TARGET_FILE:${target}>"
    ${sign_commands}
    COMMENT "Writing the checksum of ${target}${signing_comment}"
    VERBATIM)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${ARG_OUTPUT_NAME}")
  endif()
endfunction()

# installer_signing(<var> <cert.pfx> <password-file> <time-stamp-server>)
#
# Sets <var> to add_installer's signing arguments for these settings (cache
# variables, any of which may be empty): none without a certificate, TIMESTAMP
# only with a server.
function(installer_signing var cert password_file timestamp)
  set(arguments)
  if(cert)
    set(arguments SIGN ${cert} PASSWORD_FILE ${password_file})
    if(timestamp)
      list(APPEND arguments TIMESTAMP ${timestamp})
    endif()
  endif()
  set(${var} ${arguments} PARENT_SCOPE)
endfunction()
