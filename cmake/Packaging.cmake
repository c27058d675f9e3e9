# The Debian package (bash scripts/package.sh): cpack -G DEB over the install rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kestrum developers")
set(CPACK_PACKAGE_CONTACT "Kestrum developers <developers@kestrum.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KESTRUM_HOMEPAGE_URL})
# The libraries the programs link come from dpkg-shlibdeps. Beyond them: the certificates that
# https feeds need, the window system's platform plugin (the web panels' renderer process
# comes with the browser engine's library) and Qt's own Chinese texts, which the window loads.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ca-certificates, qt6-qpa-plugins, qt6-translations-l10n")
# The window's texts are Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-arphic-uming | fonts-wqy-microhei")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plans for five-digit high-frequency lotteries")
# The extended description, below the summary: lines of the control file, each begun with a
# blank by cpack.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Kestrum is a desktop planning tool for five-digit high-frequency lotteries.
For the selected one of ten lotteries it downloads the recent draws,
backtests numbered prediction formulas over them for ten play types,
searches the best formulas, shows the plan report of the formula in use,
keeps the draws current on a timer, and writes nine small export files
that other programs read while it runs.
.
Out of the box it runs on a local feed server that simulates the draws
(kestrum-feedsim); real feeds are named on the command line or in
~/.config/kestrum/kestrum.toml.]=])
include(CPack)
