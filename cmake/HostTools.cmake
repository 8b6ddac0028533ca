# Builds the window-free parts natively for the build machine (the package
# builder used by the packaging step, the product file's checker and writer,
# the content folder's checker, the script stripper,
# the checksum writer run on every installer after linking, and the native
# tests) as an external project inside the Windows build folder.
include(ExternalProject)

set(KAVRI_HOST_BINARY_DIR ${CMAKE_BINARY_DIR}/host CACHE PATH "Folder of the native build of the window-free parts")
set(KAVRI_HOST_LZPACK ${KAVRI_HOST_BINARY_DIR}/tools/lzpack)
set(KAVRI_HOST_PECHECKSUM ${KAVRI_HOST_BINARY_DIR}/tools/pechecksum)
set(KAVRI_HOST_PRODUCTFILE ${KAVRI_HOST_BINARY_DIR}/tools/productfile)
set(KAVRI_HOST_CONTENTCHECK ${KAVRI_HOST_BINARY_DIR}/tools/contentcheck)
set(KAVRI_HOST_SCRIPTSTRIP ${KAVRI_HOST_BINARY_DIR}/tools/scriptstrip)

# Only the tools are built on the way to an installer; the native tests (when
# the tests are built) come with everything else, so that building just an
# installer (scripts/run-demo.sh, scripts/make-installer.sh) compiles none.
ExternalProject_Add(kavri_host
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${KAVRI_HOST_BINARY_DIR}
  CMAKE_ARGS
    -DKAVRI_HOST_ONLY=ON
    -DKAVRI_BUILD_TESTS=${KAVRI_BUILD_TESTS}
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DKAVRI_CACHE=${KAVRI_CACHE}
    -DLUA_SOURCE_DIR=${LUA_SOURCE_DIR}
    -DLZMA_SDK_DIR=${LZMA_SDK_DIR}
    -DGTEST_SOURCE_DIR=${GTEST_SOURCE_DIR}
    -DCMAKE_C_COMPILER=gcc
    -DCMAKE_CXX_COMPILER=g++
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target lzpack pechecksum productfile contentcheck scriptstrip
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${KAVRI_HOST_LZPACK} ${KAVRI_HOST_PECHECKSUM} ${KAVRI_HOST_PRODUCTFILE} ${KAVRI_HOST_CONTENTCHECK}
    ${KAVRI_HOST_SCRIPTSTRIP}
  USES_TERMINAL_BUILD ON)
if(KAVRI_BUILD_TESTS)
  add_custom_target(kavri_host_all ALL
    COMMAND ${CMAKE_COMMAND} --build ${KAVRI_HOST_BINARY_DIR}
    DEPENDS kavri_host
    COMMENT "Building the native tests"
    USES_TERMINAL)
endif()
