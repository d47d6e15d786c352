# Build step: puts the error codes that PROGRAM prints where TEMPLATE says
# @ERROR_CODES@, and writes OUTPUT.
execute_process(COMMAND ${PROGRAM} OUTPUT_VARIABLE rows RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR rows STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} printed no error codes (${result})")
endif()
file(READ ${TEMPLATE} page)
string(REPLACE "@ERROR_CODES@\n" "${rows}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
