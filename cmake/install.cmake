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
install(FILES ${PROJECT_SOURCE_DIR}/resources/vendrel.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME io.github.vendrel.vendrel.metainfo.xml)

# Manual pages and the Debian changelog go in compressed, as Debian keeps them (gzip -n: the same bytes
# from every build).
set(compressed)
foreach(source vendrel.1 vendrel-cli.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/compressed
                     COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/${source} > ${output}
                     DEPENDS ${PROJECT_SOURCE_DIR}/resources/${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/compressed/vendrel.1.gz ${PROJECT_BINARY_DIR}/compressed/vendrel-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME changelog.Debian.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME vendrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vendrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vendrel maintainers <maintainers@users.noreply.c-seed-3d629ba4.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "explore, export and salvage Outlook Express 5 mail databases")
# Debian wants the lines of the long description at most 80 characters wide.
set(CPACK_PACKAGE_DESCRIPTION
    "Vendrel opens Folders.dbx and the message databases (.dbx) of Outlook Express 5
and shows their inner structure: the header, the index trees, the folder and
message records with every property decoded, and the text blocks of each
message.
.
It exports the messages as .eml files, as mbox files that Thunderbird and mutt
read, or as a Maildir that Dovecot and Courier serve; it checks a damaged
database structure by structure and recovers every message it still holds; it
can create folders, with a journal that keeps the database whole when the
program is stopped dead or the disk fails.
.
The package holds the window program (vendrel) and a command-line tool
(vendrel-cli) for scripts, which also shows a message decoded, with its
attachments, and finds messages by sender, recipient, subject, date or text.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies are read off the binaries (dpkg-shlibdeps); Qt's platform plugins are loaded, not
# linked, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
