# `cpack -G DEB` in the build folder makes zr7e_<version>_<arch>.deb of what `cmake --install`
# puts in place, under /usr. Its library dependencies come from the binaries themselves, through
# dpkg-shlibdeps; the ones written here are what the windows load or measure at run time, which
# no binary names: the Qt platform plugins, without which they cannot open, and the Liberation
# fonts, in whose metrics they are laid out (with another font captions outgrow their buttons).
# The package needs no maintainer scripts: dpkg's triggers of shared-mime-info,
# desktop-file-utils and hicolor-icon-theme, where installed, bring the file type, the desktop
# entry and the icons into their databases.
include(GNUInstallDirs)

set(ZR7_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/data/linux/debian)

# The newest changelog entry is the version being packaged: a release that forgets its entry
# stops here rather than making a package whose history does not know it.
file(STRINGS ${ZR7_DEBIAN_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^zr7e \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/linux/debian/changelog: the first entry is not version "
                        "${PROJECT_VERSION}: ${changelog_top}")
endif()

# Debian keeps a package's history compressed, without a time stamp, so that two builds of the
# same sources give the same bytes.
set(ZR7_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(
    OUTPUT ${ZR7_CHANGELOG_GZ}
    COMMAND gzip -9 -n -c ${ZR7_DEBIAN_DIR}/changelog > ${ZR7_CHANGELOG_GZ}
    DEPENDS ${ZR7_DEBIAN_DIR}/changelog
    COMMENT "Compressing the package's changelog")
add_custom_target(changelog ALL DEPENDS ${ZR7_CHANGELOG_GZ})
install(FILES ${ZR7_DEBIAN_DIR}/copyright ${ZR7_CHANGELOG_GZ} DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${ZR7_DEBIAN_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zr7e)

set(CPACK_PACKAGE_NAME zr7e)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Revarodevaza ZR7 developers")
set(CPACK_PACKAGE_CONTACT "The Revarodevaza ZR7 developers <zr7e@revarodevaza.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://revarodevaza.example/zr7/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encrypt and decrypt files and whole folders with a key")
set(CPACK_PACKAGE_DESCRIPTION
    "Revarodevaza ZR7 encrypts and decrypts files and whole folders with a
symmetric key, typed or read from a keyfile and shown with a four-digit
checksum. One operation is set up on the main window and runs as a batch in a
report window; zr7e-cli does the same from scripts.

Encryption is authenticated, so a wrong key, damage, truncation or reordering
is always detected; no file is left half-written under its own name, and a
plaintext is purged only after its ciphertext is proven on disk. A randomness
report and a reliability test show that it works on the user's own files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/CompressManPages.cmake)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
include(CPack)
