# Builds examples/ against the installed package with find_package, writes a
# dataset with the installed tool, runs an example host on it and checks its
# measured heights against the simulation's truth. With PYTHON, the host's
# Python counterpart (HOST.py) runs on the installed module too and must
# print the same lines.
#   -DSOURCE_DIR=<source tree> -DPREFIX=<installed prefix> -DWORK=<scratch dir> -DMAX_ERROR=<height units>
#   [-DHOST=<example program> (heightHost unless given)]
#   [-DPYTHON=<interpreter> -DPYTHON_SITE=<module folder under PREFIX>]
include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${WORK})
set(ENV{TALMEQ_LOG_FILE} ${WORK}/talmeqAlgorithm.log)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples -B ${WORK}/build -DCMAKE_PREFIX_PATH=${PREFIX}
    -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK}/build)
run(${PREFIX}/bin/talmeq simulate ${WORK}/data)
if(NOT HOST)
  set(HOST heightHost)
endif()
run(${WORK}/build/${HOST} ${WORK}/data/height)
if(PYTHON)
  string(REGEX MATCHALL "host: [^\n]*" cppLines "${out}")
  set(ENV{PYTHONPATH} ${PREFIX}/${PYTHON_SITE})
  run(${PYTHON} ${SOURCE_DIR}/examples/${HOST}.py ${WORK}/data/height)
  string(REGEX MATCHALL "host: [^\n]*" pythonLines "${out}")
  if(NOT pythonLines STREQUAL cppLines)
    message(FATAL_ERROR "the Python example printed\n${pythonLines}\nthe C++ example\n${cppLines}")
  endif()
endif()

string(REGEX MATCH "host: worst height error ([0-9.]+)" found "${out}")
if(NOT found)
  message(FATAL_ERROR "no worst error in the host's output:\n${out}")
endif()
message(STATUS "example host: worst height error ${CMAKE_MATCH_1}")
if(CMAKE_MATCH_1 GREATER_EQUAL MAX_ERROR)
  message(FATAL_ERROR "worst height error ${CMAKE_MATCH_1} is not below ${MAX_ERROR}")
endif()
