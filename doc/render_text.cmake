# Build step: the manual page PAGE as plain ASCII text in OUTPUT, with the
# Windows parts (register W 1), no overstriking, CR LF line ends, so that
# Notepad shows it as it is.
execute_process(COMMAND ${GROFF} -man -Tascii -rW1 -P-cbou -ww ${PAGE}
                OUTPUT_VARIABLE text ERROR_VARIABLE warnings RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR text STREQUAL "" OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff could not render ${PAGE} (${result}):\n${warnings}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
