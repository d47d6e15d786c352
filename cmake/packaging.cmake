# The packages. Windows: a ZIP of the console program, the DLL that other
# programs load, the interface header, the examples, the reference as text
# and the licence, with the binaries stripped; beside it a second ZIP with their
# symbols for the debugger, and an installer (MSI) of the same files.
# Host: a Debian package of the program and the NetworkManager library.
# The simulated service and the test programs never ship.
if(NOT WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/packaging-deb.cmake)
  return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  return()  # the 64-bit Windows build is test equipment and ships nothing
endif()

# Each shipped binary is split after the build: a stripped copy that names
# its symbol file (gdb finds it through the debug link), and the symbol
# file itself.
set(NELVO_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package-files)
set(package_outputs "")
foreach(binary nelvo:nelvo.exe nelvoras:nelvoras.dll)
  string(REPLACE ":" ";" binary ${binary})
  list(GET binary 0 target)
  list(GET binary 1 file_name)
  set(stripped ${NELVO_PACKAGE_DIR}/stripped/${file_name})
  set(symbols ${NELVO_PACKAGE_DIR}/symbols/${file_name}.debug)
  add_custom_command(
    OUTPUT ${stripped} ${symbols}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${NELVO_PACKAGE_DIR}/stripped
            ${NELVO_PACKAGE_DIR}/symbols
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${symbols}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${symbols} $<TARGET_FILE:${target}>
            ${stripped}
    DEPENDS ${target}
    COMMENT "Splitting the symbols off ${file_name}"
    VERBATIM)
  list(APPEND package_outputs ${stripped} ${symbols})
  install(PROGRAMS ${stripped} DESTINATION . COMPONENT runtime)
  install(FILES ${symbols} DESTINATION . COMPONENT symbols)
endforeach()
add_custom_target(package_files ALL DEPENDS ${package_outputs})
include(${CMAKE_CURRENT_LIST_DIR}/packaging-msi.cmake)

# The reference, rendered from the manual page (doc/), in place of the
# README, whose links lead into the source tree.
install(FILES ${PROJECT_SOURCE_DIR}/remote_access/nelvoras.h ${NELVO_REFERENCE_TEXT}
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION . COMPONENT runtime)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples COMPONENT runtime
        PATTERN .gitattributes EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT symbols)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME nelvo)
set(CPACK_PACKAGE_VENDOR "The Nelvo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Command-line dialer for the Windows remote-access service")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME nelvo-${PROJECT_VERSION}-win32)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# One ZIP per component: the package, and its symbols beside it.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime symbols)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME nelvo-${PROJECT_VERSION}-win32)
set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME nelvo-${PROJECT_VERSION}-win32-symbols)
include(CPack)
