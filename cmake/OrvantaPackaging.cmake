# What `cmake --install` puts on a system, and the Debian package CPack makes of it
# (scripts/package). The layout bridge goes beside orvanta and orvanta-cli, where both look for
# it when ORVANTA_PADDLE_OCR_BRIDGE is unset.
include(GNUInstallDirs)
# Installing (and so packaging) needs the installed programs only, not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# The release the metadata names: the date of the build unless a packager fixes it.
string(TIMESTAMP _today "%Y-%m-%d" UTC)
set(ORVANTA_RELEASE_DATE "${_today}" CACHE STRING "Release date in the AppStream metadata")
configure_file(${PROJECT_SOURCE_DIR}/data/com.orvanta.desktop.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/com.orvanta.desktop.metainfo.xml @ONLY)

install(TARGETS orvanta orvanta-cli orvanta-layout-bridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/com.orvanta.desktop.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/com.orvanta.desktop.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_BINARY_DIR}/com.orvanta.desktop.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VENDOR Orvanta)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Ask about anything on your screen")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvanta developers <developers@orvanta.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The summary is the first line of the package description; this is the rest.
set(CPACK_PACKAGE_DESCRIPTION "Orvanta lives in the system tray and answers questions about any region of \
the screen: drag a rectangle over a frozen picture of the screen and ask. It recognises text with \
Tesseract and tells running text from tables, charts and other layouts with its layout bridge.")
# Libraries as dpkg-shlibdeps finds them; the English model Tesseract loads at run time; what
# opens the browser for sign-in. Wayland sessions need Qt's Wayland plugin and the portals.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tesseract-ocr-eng, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-desktop-portal")
include(CPack)
