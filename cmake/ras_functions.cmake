# The six remote-access functions, read from remote_access/ras_functions.h,
# their one list: NELVO_RAS_FUNCTIONS holds the names in order, and
# NELVO_RAS_BYTES_<name> the bytes of each one's arguments.
file(READ ${PROJECT_SOURCE_DIR}/remote_access/ras_functions.h ras_function_text)
string(REGEX MATCHALL "\n  X\\([A-Za-z]+, [0-9]+," ras_function_lines "${ras_function_text}")
set(NELVO_RAS_FUNCTIONS "")
foreach(line IN LISTS ras_function_lines)
  string(REGEX REPLACE "^\n  X\\(([A-Za-z]+), ([0-9]+)," "\\1" ras_name "${line}")
  string(REGEX REPLACE "^\n  X\\(([A-Za-z]+), ([0-9]+)," "\\2" ras_bytes "${line}")
  list(APPEND NELVO_RAS_FUNCTIONS ${ras_name})
  set(NELVO_RAS_BYTES_${ras_name} ${ras_bytes})
endforeach()
list(LENGTH NELVO_RAS_FUNCTIONS ras_function_count)
if(NOT ras_function_count EQUAL 6)
  message(FATAL_ERROR "remote_access/ras_functions.h: expected 6 functions, read ${ras_function_count}")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/remote_access/ras_functions.h)

# The standard calling convention decorates names (name@bytes) on 32-bit
# Windows only; a 64-bit build has one calling convention and plain names.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(NELVO_STDCALL_DECORATED TRUE)
else()
  set(NELVO_STDCALL_DECORATED FALSE)
endif()

# nelvo_def_line(<var> <name> <bytes>)
# One EXPORTS line that exports name undecorated, whatever the build decorates.
function(nelvo_def_line var name bytes)
  if(NELVO_STDCALL_DECORATED)
    set(${var} "  ${name} = ${name}@${bytes}\n" PARENT_SCOPE)
  else()
    set(${var} "  ${name}\n" PARENT_SCOPE)
  endif()
endfunction()

# nelvo_ras_module_definition(<output> [<omitted function>...])
# Writes a module-definition file that exports the functions under their
# undecorated names, leaving the omitted ones out.
function(nelvo_ras_module_definition output)
  set(text "EXPORTS\n")
  foreach(name IN LISTS NELVO_RAS_FUNCTIONS)
    if(NOT name IN_LIST ARGN)
      nelvo_def_line(line ${name} ${NELVO_RAS_BYTES_${name}})
      string(APPEND text "${line}")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}")
endfunction()
