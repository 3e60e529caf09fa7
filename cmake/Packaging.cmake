# The Debian package (scripts/package): everything the install rules install. Its
# dependencies are read from the installed programs by dpkg-shlibdeps, so a program or library
# added later brings its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ticksmith)
set(CPACK_PACKAGE_VENDOR "Kestrel Bay Software")
set(CPACK_PACKAGE_CONTACT "Kestrel Bay Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keep end-of-day quotes in MetaStock-format portfolios")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Ticksmith turns the ASCII quote files that market-data vendors send, daily updates
 and whole histories, into MetaStock-format portfolios and maintains them: Update
 Quotes, historical import, export, quote and symbol editing, MASTER repair and split
 search. ticksmith is the Qt window program, ticksmith-cli its command-line twin.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin to show itself; the offscreen one is in the same package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
