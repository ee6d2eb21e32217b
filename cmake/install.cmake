# What `cmake --install` puts where a desktop finds it, and the Debian package made of it (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS vendrel vendrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The menu entry names the program on PATH; "Associate dbx" writes one with its full path.
set(VENDREL_EXEC vendrel)
set(VENDREL_ICON vendrel)
configure_file(${PROJECT_SOURCE_DIR}/resources/vendrel.desktop.in ${PROJECT_BINARY_DIR}/vendrel.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vendrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/vendrel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(DIRECTORY ${PROJECT_BINARY_DIR}/share/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/resources/vendrel-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vendrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vendrel developers <vendrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Explorer of the DBX databases of Outlook Express 5")
set(CPACK_PACKAGE_DESCRIPTION
    "Vendrel opens Folders.dbx and the message databases of Outlook Express 5 and shows their inner
structure: header, index trees, folder and message records with every property decoded, and the
text blocks of each message. It exports messages to .eml files and can create folders.")
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies are read off the binaries (dpkg-shlibdeps); Qt's platform plugins are loaded, not
# linked, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
