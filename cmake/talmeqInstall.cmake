# Install rules: the shared libraries (the library with its precision layer,
# the logger, the C interface), the public headers (include/ and the
# generated ones, nothing else), the tool, the Python module, a CMake package
# (talmeq::talmeqAlgorithm, talmeq::talmeqStation for the precision layer's
# old name, talmeq::talmeqLogger, talmeq::talmeqC) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TALMEQ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/talmeqAlgorithm)

install(TARGETS talmeqAlgorithm talmeqStation talmeqLogger EXPORT talmeqAlgorithmTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The C interface's header is installed with its library, below.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ ${TALMEQ_GENERATED_INCLUDE_DIR}/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h"
  PATTERN "talmeqC.h" EXCLUDE PATTERN "talmeqStationC.h" EXCLUDE PATTERN "talmeqC_export.h" EXCLUDE)
set_target_properties(talmeqAlgorithm PROPERTIES INSTALL_RPATH "$ORIGIN")
if(TARGET talmeqC)
  install(TARGETS talmeqC EXPORT talmeqAlgorithmTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/include/talmeq/talmeqC.h ${PROJECT_SOURCE_DIR}/include/talmeq/talmeqStationC.h
    ${TALMEQ_GENERATED_INCLUDE_DIR}/talmeq/talmeqC_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/talmeq)
  set_target_properties(talmeqC PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
# The Python module finds the library from the site folder through its rpath.
if(TARGET talmeqPython)
  file(RELATIVE_PATH moduleToLibrary /root/${TALMEQ_PYTHON_INSTALL_DIR} /root/${CMAKE_INSTALL_LIBDIR})
  set_target_properties(talmeqPython PROPERTIES INSTALL_RPATH "$ORIGIN/${moduleToLibrary}")
  install(TARGETS talmeqPython LIBRARY DESTINATION ${TALMEQ_PYTHON_INSTALL_DIR}
    RUNTIME DESTINATION ${TALMEQ_PYTHON_INSTALL_DIR})
  # Type stubs beside the module (a single module takes no py.typed marker).
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/python/talmeq.pyi DESTINATION ${TALMEQ_PYTHON_INSTALL_DIR})
endif()
if(TARGET talmeq)
  set_target_properties(talmeq PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS talmeq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT talmeqAlgorithmTargets NAMESPACE talmeq:: DESTINATION ${TALMEQ_CMAKE_DIR})
string(REPLACE ";" " " TALMEQ_OPENCV_COMPONENTS "${TALMEQ_OPENCV_COMPONENTS}")
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/talmeqAlgorithmConfig.cmake.in
  ${PROJECT_BINARY_DIR}/talmeqAlgorithmConfig.cmake INSTALL_DESTINATION ${TALMEQ_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/talmeqAlgorithmConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/talmeqAlgorithmConfig.cmake
  ${PROJECT_BINARY_DIR}/talmeqAlgorithmConfigVersion.cmake DESTINATION ${TALMEQ_CMAKE_DIR})

# The .pc file locates the prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH TALMEQ_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
foreach(library talmeqAlgorithm)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${library}.pc.in ${PROJECT_BINARY_DIR}/${library}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${library}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
