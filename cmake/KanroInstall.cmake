# Installation under the prefix, following the XDG and freedesktop rules, and
# the Debian package (cpack -G DEB).
#
#   bin/Kanro_VEY_1                      the program
#   bin/kanro-vey-1                      launcher: runs it in its data folder
#   share/applications/<id>.desktop      menu entry (Exec through the launcher)
#   share/metainfo/<id>.metainfo.xml     AppStream metadata
#   share/kanro-vey-1/jpostal.dat        postal dictionary (and its NOTICE)
#   share/icons/hicolor/{scalable,48x48,256x256}/apps/<id>.{svg,png}
include(GNUInstallDirs)

set(KANRO_APP_ID example.kanro.Kanro_VEY_1)
set(KANRO_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS Kanro_VEY_1 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${KANRO_DATA}/kanro-vey-1 DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KANRO_DATA}/${KANRO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KANRO_DATA}/${KANRO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KANRO_DATA}/icons/scalable/${KANRO_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The postal dictionary of the order-text transfer and its notices.
install(FILES ${KANRO_DATA}/postal/jpostal.dat ${KANRO_DATA}/postal/NOTICE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kanro-vey-1)
foreach(size 48x48 256x256)
  install(FILES ${KANRO_DATA}/icons/${size}/${KANRO_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()

# Debian package. The shared libraries (Qt, ICU, libcups, the C++ runtime)
# are found by dpkg-shlibdeps; what the program loads at run time without
# linking it is declared by hand: Qt's platform plugins and the four font
# packages that stand in for the Windows fonts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kanro-vey-1)
set(CPACK_PACKAGE_VERSION 1.12.0)
set(CPACK_PACKAGE_VENDOR Kanro)
set(CPACK_PACKAGE_CONTACT "Kanro <support@kanro.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A5 delivery notes (納品書 兼 請求書) for shops in Japan")
set(CPACK_PACKAGE_DESCRIPTION "Prepares one delivery note at a time that doubles as an \
invoice and receipt, computes amounts, consumption tax and totals, and prints it in one of \
three A5 layouts on a CUPS printer or into PDF files.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-dejavu-core, fonts-wine")
# xdg-open hands the support mail and the web page to the desktop; a local
# CUPS scheduler is needed only for real printers (PDF files work without).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")
include(CPack)
