# Where an installed ZVR puts its files, and the Debian package made of them
# (cpack -G DEB). The programs look for their strategy files in ../share/zvr/strategies
# beside their own folder, so the data folder follows the binary folder.
include(GNUInstallDirs)

set(zvr_programs zvr-cli zvr-sim)
if(ZVR_GUI)
    list(APPEND zvr_programs zvr_program)
endif()
install(TARGETS ${zvr_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZVR_STRATEGY_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/zvr/strategies)

# Man pages and the Debian changelog are installed compressed, as Debian ships them
# (gzip -9n: no name or time stamp, so the same source gives the same bytes).
set(zvr_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(zvr_compressed ${PROJECT_BINARY_DIR}/packaging)
set(zvr_pages zvr-cli zvr-sim)
if(ZVR_GUI)
    list(APPEND zvr_pages zvr)
endif()
set(zvr_compressed_files)
foreach(page IN LISTS zvr_pages)
    list(APPEND zvr_compressed_files ${zvr_compressed}/${page}.1.gz)
    add_custom_command(OUTPUT ${zvr_compressed}/${page}.1.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${zvr_compressed}
        COMMAND gzip -9n -c ${zvr_packaging}/man/${page}.1 > ${zvr_compressed}/${page}.1.gz
        DEPENDS ${zvr_packaging}/man/${page}.1)
endforeach()
list(APPEND zvr_compressed_files ${zvr_compressed}/changelog.Debian.gz)
add_custom_command(OUTPUT ${zvr_compressed}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${zvr_compressed}
    COMMAND gzip -9n -c ${zvr_packaging}/debian/changelog > ${zvr_compressed}/changelog.Debian.gz
    DEPENDS ${zvr_packaging}/debian/changelog)
add_custom_target(packaging_files ALL DEPENDS ${zvr_compressed_files})

foreach(page IN LISTS zvr_pages)
    install(FILES ${zvr_compressed}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${zvr_packaging}/zvr-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zvr-cli)
# The package's documents: the README, the licence, the changelog, and an example udev rule
# for serial adapters that is not active until an administrator copies it into place.
set(zvr_docdir ${CMAKE_INSTALL_DATADIR}/doc/zvr)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${zvr_packaging}/debian/copyright
              ${zvr_compressed}/changelog.Debian.gz
        DESTINATION ${zvr_docdir})
install(FILES ${zvr_packaging}/60-zvr-serial.rules DESTINATION ${zvr_docdir}/examples)
install(FILES ${zvr_packaging}/debian/zvr.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zvr)
if(ZVR_GUI)
    install(FILES ${zvr_packaging}/zvr.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${zvr_packaging}/invalid.telq.zvr.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(DIRECTORY ${ZVR_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(DIRECTORY ${PROJECT_BINARY_DIR}/share/zvr/help/
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zvr/help)
endif()

set(CPACK_PACKAGE_NAME zvr)
set(CPACK_PACKAGE_VENDOR "TELQ")
set(CPACK_PACKAGE_CONTACT "ZVR maintainers <zvr@telq.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "calibration and monitoring of ZEVAR, LPN and KMS engine controllers")
# Each line within 80 columns, as Debian's tools show it.
set(CPACK_PACKAGE_DESCRIPTION
    "ZVR connects to one engine controller over a serial line, identifies it\n\
and lets a service technician read and change calibration values, watch and\n\
plot live values, read and clear faults, and save, download, compare and\n\
convert calibration files. The package holds the program zvr, the command-line\n\
tool zvr-cli, the controller simulator zvr-sim and the shipped strategy files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A Debian revision of the upstream version: the package is not native to Debian.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zvr.example.com/")
# The run-time libraries (Qt, the C++ library) are read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped programs. Their debugging symbols stay in the build tree: the dbgsym package
# this CPack makes lists absolute paths in its md5sums and has no copyright, which dpkg's
# checks and lintian refuse.
set(CPACK_STRIP_FILES ON)
# Folders as Debian makes them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
