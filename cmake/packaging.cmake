# The packages. Windows: a ZIP of the console program, the DLL that other
# programs load, the interface header, the README and the licence. Host:
# a Debian package of the program and the NetworkManager library. The
# simulated service and the test programs never ship.
if(NOT WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/packaging-deb.cmake)
  return()
endif()

# Plain files: the import library and nothing else of the targets comes along.
install(PROGRAMS $<TARGET_FILE:nelvo> $<TARGET_FILE:nelvoras> DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/remote_access/nelvoras.h ${PROJECT_SOURCE_DIR}/README.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME nelvo)
set(CPACK_PACKAGE_VENDOR "The Nelvo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Command-line dialer for the Windows remote-access service")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME nelvo-${PROJECT_VERSION}-win32)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
