# A C host of the installed package: configured with OpenCV's and
# pkg-config's packages out of reach (so with no OpenCV or log4cpp
# development files), and compiled a second time with the flags of
# talmeqC.pc; both call the library on a small flat frame. The installed CMake files
# name no folder of the build machine, and the C# files are installed.
#   -DSOURCE_DIR=<source tree> -DBUILD_DIR=<build tree> -DPREFIX=<installed prefix> -DWORK=<scratch dir>
#   -DCC=<C compiler>
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)
set(allowedResult 1)  # spotHost exits 1 when it finds no spot

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{TALMEQ_LOG_FILE} ${WORK}/talmeqAlgorithm.log)
# A 4 x 4 frame of grey 65 ("A"): too small to search, result -2.
string(REPEAT "A" 48 pixels)
file(WRITE ${WORK}/flat.ppm "P6 4 4 255\n${pixels}")

run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/cHost -B ${WORK}/build -DCMAKE_PREFIX_PATH=${PREFIX}
    -DCMAKE_DISABLE_FIND_PACKAGE_OpenCV=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK}/build)
run(${WORK}/build/spotHost ${WORK}/flat.ppm)
set(cmakeBuilt "${out}")

set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
run(pkg-config --cflags --libs talmeqC)  # (exits 1 when it does not know talmeqC: the compile then fails)
string(STRIP "${out}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CC} -std=c99 ${SOURCE_DIR}/examples/spotHost.c -o ${WORK}/pkgSpotHost ${flags} -Wl,-rpath,${PREFIX}/lib)
run(${WORK}/pkgSpotHost ${WORK}/flat.ppm)
if(NOT "${cmakeBuilt}\n${out}" MATCHES "spotHost: result -2, spot at \\(0, 0\\).*spotHost: result -2")
  message(FATAL_ERROR "the C hosts printed:\n${cmakeBuilt}\n${out}")
endif()

file(GLOB packageFiles ${PREFIX}/lib/cmake/talmeq/*.cmake ${PREFIX}/lib/pkgconfig/*.pc)
foreach(packageFile IN LISTS packageFiles)
  file(READ ${packageFile} text)
  if(text MATCHES "/usr/include|${SOURCE_DIR}|${BUILD_DIR}")
    message(FATAL_ERROR "${packageFile} names a folder of this machine: ${CMAKE_MATCH_0}")
  endif()
endforeach()
if(NOT EXISTS ${PREFIX}/share/talmeq/csharp/TalmeqNative.cs)
  message(FATAL_ERROR "the C# files are not installed under ${PREFIX}/share/talmeq/csharp")
endif()
