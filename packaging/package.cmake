# The Debian package: `cpack -G DEB` in the build folder makes
# hotaru_<version>_amd64.deb with everything the install rules put under /usr.
# The libraries the programs link are turned into Debian dependencies by
# dpkg-shlibdeps (from dpkg-dev); the rest are what no binary names: the
# Japanese font the windows and the list are drawn with, Qt's own Japanese
# translations, and the Qt platform plugins without which no window opens.
set(CPACK_PACKAGE_NAME hotaru)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Hotaru")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Claims for the refund of infant medical-care co-payments")
set(CPACK_PACKAGE_DESCRIPTION
    "Hotaru (ホタル) prepares a clinic's monthly claims for the prefectural refund of\n"
    "infant medical-care co-payments: entry of each child's treatment month, the\n"
    "Shift_JIS submission file, the check of a submission disk and the claim list.\n"
    "The live database is kept in the user's data folder (~/.local/share/hotaru),\n"
    "made from the shipped template on first start.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Hotaru developers <hotaru@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n, qt6-qpa-plugins")

include(CPack)
