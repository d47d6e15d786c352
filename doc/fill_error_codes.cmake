# Build step: puts the lists of error codes that PROGRAM prints where
# TEMPLATE says @ERROR_CODES@ (Linux) and @WINDOWS_ERROR_CODES@, and writes
# OUTPUT.
file(READ ${TEMPLATE} page)
foreach(list linux:ERROR_CODES windows:WINDOWS_ERROR_CODES)
  string(REPLACE ":" ";" list ${list})
  list(GET list 0 system)
  list(GET list 1 marker)
  execute_process(COMMAND ${PROGRAM} ${system} OUTPUT_VARIABLE rows RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR rows STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${system} printed no error codes (${result})")
  endif()
  string(REPLACE "@${marker}@\n" "${rows}" page "${page}")
endforeach()
file(WRITE ${OUTPUT} "${page}")
