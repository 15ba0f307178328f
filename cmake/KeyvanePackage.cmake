# The Debian package of the installed program (`make package`, or `cpack -G DEB` in the build folder):
# everything `cmake --install` puts under /usr, with the shared libraries it needs found from the
# binaries by dpkg-shlibdeps. The desktop's own triggers (shared-mime-info, desktop-file-utils, the
# icon theme) register the MIME type, the desktop entry and the icon, so the package has no scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keyvane)
set(CPACK_PACKAGE_VENDOR Tessivo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tessivo <support@tessivo.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password manager: the logins of your accounts in one protected file")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Keyvane keeps the logins of many accounts (web sites, mail boxes, banks) in one passwords file\n"
    "protected by one file password. It lists, edits, exports, merges and prints them, copies secrets\n"
    "to the clipboard and clears them again. keyvane-cli works on the same files from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.tessivo.com/keyvane)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plug-ins that Qt loads at run time are not linked, so dpkg-shlibdeps cannot see them: the settings
# store's SQLite driver and the SVG pictures.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6svg6")
# Wayland sessions, sending mail (xdg-email) and the file type and icon caches of the desktop.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils, shared-mime-info, desktop-file-utils, hicolor-icon-theme")
include(CPack)
