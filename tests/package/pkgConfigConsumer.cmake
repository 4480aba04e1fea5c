# Compiles and runs a one-file host with the flags pkg-config gives for the
# installed package.
#   -DSOURCE=<consumer .cpp> -DPREFIX=<installed prefix> -DWORK=<scratch dir> -DCXX=<compiler>
set(ENV{PKG_CONFIG_PATH} ${PREFIX}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs talmeqAlgorithm
  RESULT_VARIABLE result OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know talmeqAlgorithm under ${PREFIX}")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CXX} -std=c++17 ${SOURCE} -o ${WORK}/consumer ${flags} -Wl,-rpath,${PREFIX}/lib
  RESULT_VARIABLE result ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "compiling with the pkg-config flags failed:\n${err}")
endif()
set(ENV{TALMEQ_LOG_FILE} ${WORK}/talmeqAlgorithm.log)
execute_process(COMMAND ${WORK}/consumer RESULT_VARIABLE result OUTPUT_VARIABLE out)
if(NOT result EQUAL 0 OR NOT out MATCHES "consumer: getSpotCoord -2")
  message(FATAL_ERROR "the consumer failed (${result}):\n${out}")
endif()
