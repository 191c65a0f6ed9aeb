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

set(zvr_packaging ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${zvr_packaging}/man/zvr-cli.1 ${zvr_packaging}/man/zvr-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${zvr_packaging}/zvr-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zvr-cli)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(ZVR_GUI)
    install(FILES ${zvr_packaging}/man/zvr.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${zvr_packaging}/zvr.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/src/app/resources/zvr.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
    install(DIRECTORY ${PROJECT_BINARY_DIR}/share/zvr/help/
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zvr/help)
endif()

set(CPACK_PACKAGE_NAME zvr)
set(CPACK_PACKAGE_VENDOR "TELQ")
set(CPACK_PACKAGE_CONTACT "ZVR maintainers <zvr@telq.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "calibration and monitoring of ZEVAR, LPN and KMS engine controllers")
set(CPACK_PACKAGE_DESCRIPTION
    "ZVR connects to one engine controller over a serial line, identifies it and lets a\n\
service technician read and change calibration values, watch and plot live values,\n\
read and clear faults and save, download, compare and convert calibration files.\n\
The package holds the program zvr, the command-line tool zvr-cli, the controller\n\
simulator zvr-sim and the shipped strategy files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The run-time libraries (Qt, the C++ library) are read from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
