# Installation and the Debian package.
#
# `cmake --install` puts the updater, the package tool and the demo updater into bin/, their man
# pages, the demo's desktop entry and icons, and the READMEs under share/. CPack turns the same
# install tree into a .deb whose Depends come from dpkg-shlibdeps over the installed executables.
#
# kestrel-demo ends in its firmware package, and strip would cut that off: it is installed as a
# plain file (install(PROGRAMS)), which neither `cmake --install --strip` nor CPack ever strips;
# only the targets kestrel and kestrel-pack go through install(TARGETS).
include(GNUInstallDirs)

if(WIN32 OR NOT TARGET kestrel OR NOT TARGET kestrel-pack)
    return()
endif()

# Installing and packaging take what the build made: without this, CPack's preinstall step would
# build the whole project (every test binary included) before it packs three programs.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS kestrel kestrel-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kestrel-demo)
    install(PROGRAMS ${CMAKE_BINARY_DIR}/bin/kestrel-demo DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(FILES docs/man/kestrel.1 docs/man/kestrel-pack.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/kestrel-demo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/kestrel-icon.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME kestrel.png)
install(FILES res/kestrel-icon-48.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps
        RENAME kestrel.png)
install(FILES README.md tools/README-kestrel-pack.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "Kestrel developers <kestrel@orvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for the Orvane Kestrel USB keyboard")
set(CPACK_PACKAGE_DESCRIPTION "A self-contained firmware updater that carries its firmware package \
appended to its own file, with the package tool kestrel-pack and a demo updater for the simulated \
keyboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Strips what install(TARGETS) installs (kestrel, kestrel-pack), as `cmake --install --strip` does;
# kestrel-demo, a plain file, is left whole.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvane.example/kestrel")
include(CPack)
