# Compiles and runs a one-file host with the flags pkg-config gives for the
# installed package.
#   -DSOURCE=<consumer .cpp> -DPREFIX=<installed prefix> -DWORK=<scratch dir> -DCXX=<compiler>
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)
set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
run(pkg-config --cflags --libs talmeqAlgorithm)
string(STRIP "${out}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
file(MAKE_DIRECTORY ${WORK})
run(${CXX} -std=c++17 ${SOURCE} -o ${WORK}/consumer ${flags} -Wl,-rpath,${PREFIX}/lib)
set(ENV{TALMEQ_LOG_FILE} ${WORK}/talmeqAlgorithm.log)
run(${WORK}/consumer)
if(NOT out MATCHES "consumer: getSpotCoord -2")
  message(FATAL_ERROR "the consumer printed:\n${out}")
endif()
