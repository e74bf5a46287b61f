# Installation in the freedesktop layout and the Debian package built from it.
#   bin/                                 quarrow, quarrow-cli
#   share/quarrow/                       shipped server table, date masks, RDAP bootstrap, TLD groups, help pages
#   share/applications/, share/mime/packages/, share/icons/hicolor/   desktop integration
#   share/metainfo/                      what software centres show (AppStream)
#   share/man/man1/                      manual pages
# The programs find share/quarrow/ from their own folder (see settings/ShippedData), so the package
# works under any prefix.
include(GNUInstallDirs)

set(QUARROW_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/quarrow)

install(TARGETS quarrow quarrow-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/mvwhois.ini data/datemask.ini data/rdap-dns.json data/tld-groups.txt DESTINATION ${QUARROW_SHARE_DIR})
install(DIRECTORY data/help DESTINATION ${QUARROW_SHARE_DIR})

install(FILES data/quarrow.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/example.quarrow.quarrow.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/quarrow-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quarrow.xml)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES data/icons/app/quarrow-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quarrow.png)
endforeach()
install(FILES data/icons/app/quarrow.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages go in compressed, as Debian keeps them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(quarrow_man_pages)
foreach(page quarrow.1 quarrow-cli.1)
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_SOURCE_DIR}/data/man/${page} > ${compressed}
        DEPENDS ${CMAKE_SOURCE_DIR}/data/man/${page}
        VERBATIM)
    list(APPEND quarrow_man_pages ${compressed})
endforeach()
add_custom_target(quarrow_man_pages ALL DEPENDS ${quarrow_man_pages})
install(FILES ${quarrow_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quarrow)

# cpack -G DEB: quarrow_<version>_<arch>.deb with its library dependencies computed from the
# programs by dpkg-shlibdeps. The SVG icon engine and the desktop's opener are loaded at run
# time, so no library link names them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarrow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_CONTACT "Quarrow maintainers <quarrow@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find domain names that are still free to register")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quarrow combines word lists (prefixes, keywords, suffixes and top-level
domains) into candidate domain names and checks them in parallel against the
WHOIS server of each top-level domain, directly or through a SOCKS 4, 4A or 5
proxy. Free names, registrars and expiry dates are shown in a sortable table
that can be saved as a project, exported as an HTML report or copied.
.
The package holds the desktop program quarrow and quarrow-cli, the same
engine for batch use and scripts, with a server table for about 80
top-level domains that is copied to each user's settings on the first start.")
include(CPack)
