# The Windows installer beside the ZIP: the stripped binaries, the header,
# the examples, the reference as text and the licence in Program Files\Nelvo, with the
# folder on the system PATH. Built with wixl (msitools) from
# packaging/msi/nelvo.wxs.in; made by the ordinary build, into
# <build>/package/nelvo-<version>-win32.msi.
find_program(NELVO_WIXL wixl REQUIRED)
find_program(NELVO_MSIBUILD msibuild REQUIRED)

# wixl takes the files' paths relative to the folder of the .wxs.
set(nelvo_wxs ${NELVO_PACKAGE_DIR}/nelvo.wxs)
set(NELVO_MSI_BINARIES stripped)
file(RELATIVE_PATH NELVO_MSI_SOURCES ${NELVO_PACKAGE_DIR} ${PROJECT_SOURCE_DIR})
file(RELATIVE_PATH NELVO_MSI_REFERENCE ${NELVO_PACKAGE_DIR} ${NELVO_REFERENCE_TEXT})
configure_file(${PROJECT_SOURCE_DIR}/packaging/msi/nelvo.wxs.in ${nelvo_wxs} @ONLY)
set(NELVO_MSI ${CMAKE_BINARY_DIR}/package/nelvo-${PROJECT_VERSION}-win32.msi)

# wixl 0.101 has no Environment element, so the PATH entry is added to the
# built database: "=-*PATH" sets the system variable at install and takes
# the part back at uninstall; "[~];[INSTALLDIR]" appends the folder to what
# is there. The two actions go where Windows Installer's standard sequence
# has them.
set(nelvo_msi_environment_table
    "CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)")
set(nelvo_msi_path_entry
    "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('Path', '=-*PATH', '[~];[INSTALLDIR]', 'Program')")
set(nelvo_msi_remove_action
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)")
set(nelvo_msi_write_action
    "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)")

add_custom_command(
  OUTPUT ${NELVO_MSI}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
  COMMAND ${NELVO_WIXL} --arch x86 -o ${NELVO_MSI}.part ${nelvo_wxs}
  COMMAND ${NELVO_MSIBUILD} ${NELVO_MSI}.part -q "${nelvo_msi_environment_table}"
          -q "${nelvo_msi_path_entry}" -q "${nelvo_msi_remove_action}"
          -q "${nelvo_msi_write_action}"
  COMMAND ${CMAKE_COMMAND} -E rename ${NELVO_MSI}.part ${NELVO_MSI}
  WORKING_DIRECTORY ${NELVO_PACKAGE_DIR}
  DEPENDS ${nelvo_wxs} ${NELVO_PACKAGE_DIR}/stripped/nelvo.exe
          ${NELVO_PACKAGE_DIR}/stripped/nelvoras.dll
          ${PROJECT_SOURCE_DIR}/remote_access/nelvoras.h ${NELVO_REFERENCE_TEXT}
          ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/examples/dial.bat
          ${PROJECT_SOURCE_DIR}/examples/dial_first.c
  COMMENT "Building the installer ${NELVO_MSI}"
  VERBATIM)
add_custom_target(package_msi ALL DEPENDS ${NELVO_MSI})
