# Installs the build tree into a scratch prefix for the package tests.
#   -DBUILD_DIR=<build tree> -DPREFIX=<scratch prefix>
file(REMOVE_RECURSE ${PREFIX})
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})
