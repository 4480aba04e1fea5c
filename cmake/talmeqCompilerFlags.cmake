# Warning flags per compiler family, so the build does not assume GCC flags
# on MSVC. Applied through talmeq_set_warnings() to the project's own targets.
function(talmeq_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- /utf-8)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  endif()
endfunction()

# Hidden visibility: only what the export macro marks leaves a shared library.
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# TALMEQ_SANITIZE: a sanitizer list for the whole build, e.g. "address,undefined"
# or "thread". Any report aborts the failing test. Reports need file and line
# only: -g1 (line tables) comes after the build type's -g and takes its place,
# which spares most of the debug information's compile and link time.
set(TALMEQ_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined | thread)")
if(TALMEQ_SANITIZE)
  if(MSVC)
    message(FATAL_ERROR "TALMEQ_SANITIZE is supported with GCC and Clang only")
  endif()
  add_compile_options(-fsanitize=${TALMEQ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all -g1)
  add_link_options(-fsanitize=${TALMEQ_SANITIZE})
endif()
