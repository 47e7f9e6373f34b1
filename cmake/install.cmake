# Install rules for `cmake --install`: the programs to bin, the default reference lists and the
# help pages to share/vestrel (where the programs look for them relative to bin), and the desktop
# entry with its icon.
include(GNUInstallDirs)

install(TARGETS vestrel vestrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(GLOB VESTREL_INSTALL_LISTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*.txt)
install(FILES ${VESTREL_INSTALL_LISTS} DESTINATION ${CMAKE_INSTALL_DATADIR}/vestrel)

file(GLOB VESTREL_INSTALL_HELP CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/help/*)
install(FILES ${VESTREL_INSTALL_HELP} DESTINATION ${CMAKE_INSTALL_DATADIR}/vestrel/help)

install(FILES ${CMAKE_SOURCE_DIR}/data/vestrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/vestrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
