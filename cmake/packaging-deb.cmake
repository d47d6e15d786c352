# The Debian package: nelvo and the NetworkManager library in one folder,
# /usr/lib/nelvo/ (the binding loads librasapi32.so from the program's own
# folder first), and /usr/bin/nelvo a link to the program there; the
# manual page, the changelog and the copyright file where Debian keeps
# them; a tmpfiles.d entry for the dial lock, and an example polkit rule.
# The packaging command of doc/linux.md makes it from a Release build.
set(NELVO_MAINTAINER "The Nelvo developers <maintainers@nelvo.example>")
set(nelvo_deb_source ${PROJECT_SOURCE_DIR}/packaging/deb)
set(nelvo_deb_files ${CMAKE_BINARY_DIR}/package-files)
set(nelvo_deb_folder lib/nelvo)

# The changelog's latest entry names the version it releases.
file(STRINGS ${nelvo_deb_source}/changelog nelvo_changelog_top LIMIT_COUNT 1)
if(NOT nelvo_changelog_top MATCHES "^nelvo \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog begins with \"${nelvo_changelog_top}\"; "
                      "its latest entry must be for version ${PROJECT_VERSION}")
endif()

# The copyright file in Debian's machine-readable form, its notice and
# licence text taken from LICENSE: "Copyright (c) YEAR HOLDER", then the
# text, each line indented by one blank and an empty line written " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE nelvo_license_lines)
set(NELVO_LICENSE_TEXT "")
set(nelvo_in_text FALSE)
foreach(line IN LISTS nelvo_license_lines)
  if(line MATCHES "^Copyright \\(c\\) (.+)$")
    set(NELVO_COPYRIGHT ${CMAKE_MATCH_1})
    set(nelvo_in_text TRUE)
  elseif(nelvo_in_text AND (NELVO_LICENSE_TEXT OR line))
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND NELVO_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(STRIP "${NELVO_LICENSE_TEXT}" NELVO_LICENSE_TEXT)
set(NELVO_LICENSE_TEXT " ${NELVO_LICENSE_TEXT}")
configure_file(${nelvo_deb_source}/copyright.in ${nelvo_deb_files}/copyright @ONLY)

# The manual page (made in doc/) and the changelog, compressed as Debian
# asks: gzip -9, with no name or time stamp inside, so a rebuild gives the
# same bytes.
find_program(NELVO_GZIP gzip REQUIRED)
set(nelvo_deb_compressed "")
foreach(source ${NELVO_MAN_PAGE} ${nelvo_deb_source}/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${nelvo_deb_files}/${name}.gz
    COMMAND ${NELVO_GZIP} -9n -c ${source} > ${nelvo_deb_files}/${name}.gz
    DEPENDS ${source}
    VERBATIM)
  list(APPEND nelvo_deb_compressed ${nelvo_deb_files}/${name}.gz)
endforeach()
add_custom_target(deb_files ALL DEPENDS ${nelvo_deb_compressed})
add_dependencies(deb_files man_page)

# As targets, so that cpack strips them; a shared library is loaded, never
# run, so it is not executable.
install(TARGETS nelvo RUNTIME DESTINATION ${nelvo_deb_folder})
install(TARGETS rasapi32_networkmanager LIBRARY DESTINATION ${nelvo_deb_folder}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package-links)
file(CREATE_LINK ../${nelvo_deb_folder}/nelvo ${CMAKE_BINARY_DIR}/package-links/nelvo
     SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/package-links/nelvo DESTINATION bin)
install(FILES ${nelvo_deb_files}/nelvo.1.gz DESTINATION share/man/man1)
# The manual page is the reference; the README's links lead into the
# source tree, so it stays there.
install(FILES ${nelvo_deb_files}/copyright ${nelvo_deb_files}/changelog.gz
        DESTINATION share/doc/nelvo)
# The dial lock's folder and file, root's, made by systemd-tmpfiles at boot
# and by the postinst at once.
install(FILES ${nelvo_deb_source}/tmpfiles.conf DESTINATION lib/tmpfiles.d RENAME nelvo.conf)
install(FILES ${nelvo_deb_source}/50-nelvo.rules DESTINATION share/doc/nelvo/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nelvo)
set(CPACK_PACKAGE_VENDOR "The Nelvo developers")
set(CPACK_PACKAGE_CONTACT ${NELVO_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line dialer for scripts, over NetworkManager")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Dials a mobile-broadband, Bluetooth dial-up, PPPoE, OpenVPN or IKEv2 link\n"
    "that NetworkManager knows, waits until it is connected, has failed or is\n"
    "cancelled, and leaves it up; or hangs such a link up again. It is made\n"
    "for batch files and other programs that bring a dial-up link up and down\n"
    "unattended: each step is written as a report line, the latest state is\n"
    "kept in a 64-byte status file that other programs can read at any\n"
    "moment, and creating a cancel file stops a dial in progress.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# What the two files link to (as dpkg-shlibdeps finds it on Debian 12),
# written out so that building the package needs no dpkg-dev; sd-bus comes
# from libsystemd0. Release builds carry the C++ runtime inside
# (cmake/compiler_flags.cmake); other builds need it installed. The library
# is private to the program's folder, so no ldconfig scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libsystemd0 (>= 222)")
if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel)$" OR NELVO_SANITIZE)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libgcc-s1 (>= 3.0), libstdc++6 (>= 11)")
endif()
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_LDCONFIG OFF)
# The postinst makes the dial lock at once (systemd-tmpfiles).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${nelvo_deb_source}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager")
# VPN entries are OpenVPN and IKEv2 (strongSwan) profiles, dialled through
# NetworkManager's plugins.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "network-manager-openvpn, network-manager-strongswan")
# The installed binaries carry no symbols, whatever the build type.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
