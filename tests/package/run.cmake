# The package scripts' way of running a command: a result other than 0 (or
# the script's `allowedResult`) stops the script with the command's output;
# its standard output is left in `out`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0 AND NOT result EQUAL "${allowedResult}")
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()
