# The Debian package: nelvo and the NetworkManager library in one folder,
# /usr/lib/nelvo/ (the binding loads librasapi32.so from the program's own
# folder first), and /usr/bin/nelvo a link to the program there.
set(nelvo_deb_folder lib/nelvo)
install(PROGRAMS $<TARGET_FILE:nelvo> $<TARGET_FILE:rasapi32_networkmanager>
        DESTINATION ${nelvo_deb_folder})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package-links)
file(CREATE_LINK ../${nelvo_deb_folder}/nelvo ${CMAKE_BINARY_DIR}/package-links/nelvo
     SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/package-links/nelvo DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/nelvo)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/nelvo RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nelvo)
set(CPACK_PACKAGE_VENDOR "The Nelvo developers")
set(CPACK_PACKAGE_CONTACT "The Nelvo developers <nelvo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Command-line dialer for links that NetworkManager brings up")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Dials a mobile-broadband, Bluetooth dial-up or PPPoE profile of\nNetworkManager, or hangs it up, and tells batch files and other programs\nwhat happened through report lines, a 64-byte status file and a cancel file.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
# What the two files link to (as dpkg-shlibdeps finds it on Debian 12),
# written out so that building the package needs no dpkg-dev; sd-bus comes
# from libsystemd0. The library is private to the program's folder, so no
# ldconfig scripts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 11), libsystemd0 (>= 222)")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_LDCONFIG OFF)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
