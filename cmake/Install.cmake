# Installed layout (prefix /usr in the Debian package):
#   bin/                         korvatel, kvtclient, korvatel-central
#   lib/systemd/system/          korvatel@.service (one instance per module)
#   share/doc/korvatel/          README.md, KORVATEL.INI.example,
#                                schema/ (the embedded central's tables and stand-in procedures)
include(GNUInstallDirs)

# The unit names the program by its installed path: the package's /usr unless
# the build says otherwise (cmake --install with another prefix needs the same here).
set(KVT_SERVICE_PREFIX /usr CACHE PATH "Installation prefix named by the service unit")
set(KVT_BINDIR ${KVT_SERVICE_PREFIX}/${CMAKE_INSTALL_BINDIR})
set(KVT_DOCDIR ${KVT_SERVICE_PREFIX}/${CMAKE_INSTALL_DATADIR}/doc/korvatel)
configure_file(${CMAKE_SOURCE_DIR}/deploy/korvatel@.service.in ${CMAKE_BINARY_DIR}/deploy/korvatel@.service @ONLY)

install(TARGETS korvatel kvtclient korvatel-central RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/deploy/korvatel@.service DESTINATION lib/systemd/system)
install(FILES README.md deploy/KORVATEL.INI.example DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvatel)
install(DIRECTORY central/schema/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/korvatel/schema)

set(CPACK_PACKAGE_NAME korvatel)
set(CPACK_PACKAGE_VENDOR "Talvero")
set(CPACK_PACKAGE_VERSION 6.32.2)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KORVATEL: online access to a vehicle-tracking central over TCP with XML")
set(CPACK_PACKAGE_CONTACT "KORVATEL <korvatel@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "unixodbc, tdsodbc")
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/deploy/postinst)
include(CPack)
