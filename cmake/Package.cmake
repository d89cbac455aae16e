# The Debian package (cpack -G DEB in a build tree): the machine-wide copy of the bundle, the
# uninstaller inside it, under /usr/lib/mozilla/plugins. Only the "bundle" component goes in, so
# install rules of test tools can never leak into it. Depends comes from the binaries
# (dpkg-shlibdeps); the dialog programs and pkexec are only recommended, since the plug-in and the
# uninstaller work, asking less, without them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nvplugin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Webmail plug-in for QtWebKit browsers (NPAPI)")
set(CPACK_PACKAGE_DESCRIPTION "Uploads with checksums and resumption, checksum objects and more \
for the Norvane webmail page, in browsers that load NPAPI plug-ins (qutebrowser's QtWebKit \
backend). Run /usr/lib/mozilla/plugins/${NV_BUNDLE_NAME}/uninstall to remove it again.")
set(CPACK_PACKAGE_CONTACT "NVPlugin developers <nvplugin@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr/lib/mozilla/plugins)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL bundle)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog, pkexec")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
