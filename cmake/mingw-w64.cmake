# Cross-compiling for 64-bit Windows with MinGW-w64 (the posix thread model,
# whose libstdc++ has std::thread and std::mutex). Dependencies are looked up
# in the MinGW sysroot and in TALMEQ_MINGW_PREFIX (an environment variable, so
# that CMake's try_compile projects see it too), never on the build host.
# Programs run through Wine unless CMAKE_CROSSCOMPILING_EMULATOR names another
# runner.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALMEQ_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALMEQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALMEQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TALMEQ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TALMEQ_MINGW_TRIPLE})
if(DEFINED ENV{TALMEQ_MINGW_PREFIX})
  list(PREPEND CMAKE_FIND_ROOT_PATH $ENV{TALMEQ_MINGW_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TALMEQ_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(TALMEQ_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TALMEQ_WINE})
  endif()
endif()
