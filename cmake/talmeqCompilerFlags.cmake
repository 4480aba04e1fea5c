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
