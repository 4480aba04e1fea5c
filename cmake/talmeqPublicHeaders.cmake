# The public headers of a library target: include/ and the generated headers
# below the build folder's include/ while building, the install prefix's
# include/ once installed.
function(talmeq_public_headers target)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${TALMEQ_GENERATED_INCLUDE_DIR}>
    $<INSTALL_INTERFACE:include>)
endfunction()
