# The Debian package (tools/package.sh): cpack -G DEB in a build configured for /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvix)
set(CPACK_PACKAGE_VENDOR "The Tarvix developers")
set(CPACK_PACKAGE_CONTACT "The Tarvix developers <tarvix@tarvix.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(TARVIX_HOME_PAGE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TARVIX_HOME_PAGE}")
endif()
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Depends of the binaries by dpkg-shlibdeps, and what they load without linking it: the
# SVG image plugin draws the toolbar, Qt's translations the buttons of its message boxes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n")
# The Nautilus menu is a nautilus-python extension.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "lossless JPEG rotator with a thumbnail browser")
# CPack puts the summary first and indents the lines; an empty line separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tarvix turns and mirrors JPEG photographs without re-encoding them. It keeps
every bit of image data and metadata, keeps the file times if you want, and
never leaves a damaged file behind. It corrects pictures by their EXIF
orientation tag, one by one or a whole folder at a time.

It browses folders as thumbnails, and does the same transforms from the
command line and from the context menus of Dolphin, Nautilus, Nemo and Thunar.")
# What dh_strip would take out besides the symbols.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_notes.cmake)
include(CPack)
