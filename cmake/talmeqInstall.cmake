# Install rules: the shared libraries (the library with its precision layer,
# the logger, the C interface), the public headers (include/ and the
# generated ones, nothing else), the tool, the Python module, the C# files,
# the CMake package talmeq with its components (talmeq::talmeqAlgorithm,
# talmeq::talmeqStation for the precision layer's old name,
# talmeq::talmeqLogger, talmeq::talmeqC; talmeqAlgorithm is the package's
# earlier name) and pkg-config files for the library and the C interface.
# The C interface has an export of its own, so that a C host loads it
# without OpenCV's or log4cpp's packages.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TALMEQ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/talmeq)
set(TALMEQ_OLD_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/talmeqAlgorithm)

install(TARGETS talmeqAlgorithm talmeqStation talmeqLogger EXPORT talmeqTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The C interface's header is installed with its library, below.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ ${TALMEQ_GENERATED_INCLUDE_DIR}/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h"
  PATTERN "talmeqC.h" EXCLUDE PATTERN "talmeqStationC.h" EXCLUDE PATTERN "talmeqLogC.h" EXCLUDE
  PATTERN "talmeqC_export.h" EXCLUDE)
set_target_properties(talmeqAlgorithm PROPERTIES INSTALL_RPATH "$ORIGIN")
if(TARGET talmeqC)
  install(TARGETS talmeqC EXPORT talmeqCTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/include/talmeq/talmeqC.h ${PROJECT_SOURCE_DIR}/include/talmeq/talmeqStationC.h
    ${PROJECT_SOURCE_DIR}/include/talmeq/talmeqLogC.h
    ${TALMEQ_GENERATED_INCLUDE_DIR}/talmeq/talmeqC_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/talmeq)
  set_target_properties(talmeqC PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(EXPORT talmeqCTargets NAMESPACE talmeq:: DESTINATION ${TALMEQ_CMAKE_DIR})
  # The P/Invoke declarations, for .NET hosts to copy or compile in.
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/csharp/TalmeqNative.cs ${PROJECT_SOURCE_DIR}/bindings/csharp/PinnedImage.cs
    ${PROJECT_SOURCE_DIR}/bindings/csharp/TalmeqLog.cs ${PROJECT_SOURCE_DIR}/bindings/csharp/TalmeqStation.cs
    DESTINATION ${CMAKE_INSTALL_DATADIR}/talmeq/csharp)
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

install(EXPORT talmeqTargets NAMESPACE talmeq:: DESTINATION ${TALMEQ_CMAKE_DIR})
string(REPLACE ";" " " TALMEQ_OPENCV_COMPONENTS "${TALMEQ_OPENCV_COMPONENTS}")
foreach(package talmeq talmeqAlgorithm)
  set(destination ${TALMEQ_CMAKE_DIR})
  if(package STREQUAL "talmeqAlgorithm")
    set(destination ${TALMEQ_OLD_CMAKE_DIR})
  endif()
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/${package}Config.cmake.in
    ${PROJECT_BINARY_DIR}/package/${package}Config.cmake INSTALL_DESTINATION ${destination})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/${package}ConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/package/${package}Config.cmake
    ${PROJECT_BINARY_DIR}/package/${package}ConfigVersion.cmake DESTINATION ${destination})
endforeach()

# The .pc file locates the prefix relative to itself, so an installed tree can move.
file(RELATIVE_PATH TALMEQ_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
set(pcFiles talmeqAlgorithm)
if(TARGET talmeqC)
  list(APPEND pcFiles talmeqC)
endif()
foreach(library IN LISTS pcFiles)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${library}.pc.in ${PROJECT_BINARY_DIR}/${library}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${library}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()
