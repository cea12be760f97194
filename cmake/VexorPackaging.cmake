# Debian packages built by CPack (scripts/package): the manager with vexor, and the simulated
# device with satsim and a launcher that starts the manager on it.
if(NOT UNIX OR APPLE OR NOT TARGET vexor-manager OR NOT TARGET dllsat_simulator)
    return()
endif()
include(GNUInstallDirs)

set(VEXOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
# Beside the programs' folder, where the launcher looks for it.
set(VEXOR_SIMULATOR_LIBDIR lib/vexor-simulator)

install(FILES ${VEXOR_PACKAGING_DIR}/vexor-manager.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT manager)
install(FILES ${VEXOR_PACKAGING_DIR}/vexor-manager.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT manager)
configure_file(${VEXOR_PACKAGING_DIR}/com.torval.vexor_manager.metainfo.xml
               ${CMAKE_BINARY_DIR}/packaging/com.torval.vexor_manager.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/com.torval.vexor_manager.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT manager)

# Debian wants manual pages and changelogs compressed, reproducibly (no name, no time stamp).
configure_file(${VEXOR_PACKAGING_DIR}/vexor.1 ${CMAKE_BINARY_DIR}/packaging/vexor.1 @ONLY)
set(VEXOR_DEBIAN_DATE "Tue, 08 Dec 2026 12:00:00 +0000")
foreach(package vexor-manager vexor-simulator)
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/${package}/changelog
         "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
         "  * Release ${PROJECT_VERSION}.\n\n"
         " -- TORVAL <suporte@torval.com.br>  ${VEXOR_DEBIAN_DATE}\n")
endforeach()
set(compressed)
foreach(file vexor.1 vexor-manager/changelog vexor-simulator/changelog)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
        COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/packaging/${file}
        DEPENDS ${CMAKE_BINARY_DIR}/packaging/${file}
        COMMENT "Compressing ${file}")
    list(APPEND compressed ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
endforeach()
add_custom_target(vexor-package-files ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vexor.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manager)
foreach(package vexor-manager vexor-simulator)
    if(package STREQUAL "vexor-manager")
        set(component manager)
    else()
        set(component simulator)
    endif()
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${package}/changelog.gz
                  ${VEXOR_PACKAGING_DIR}/copyright
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The simulated device in a folder of its own, never on the loader's default search path: a
# real device's library installed on the machine always wins.
install(TARGETS dllsat_simulator LIBRARY DESTINATION ${VEXOR_SIMULATOR_LIBDIR} COMPONENT simulator
        NAMELINK_SKIP)
install(TARGETS satsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
install(PROGRAMS ${VEXOR_PACKAGING_DIR}/vexor-manager-simulator
        DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
install(FILES ${VEXOR_PACKAGING_DIR}/vexor-manager-simulator.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT simulator)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexor-manager)
set(CPACK_PACKAGE_VENDOR TORVAL)
set(CPACK_PACKAGE_CONTACT "TORVAL <suporte@torval.com.br>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL manager simulator)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_MANAGER_PACKAGE_NAME vexor-manager)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME vexor-simulator)
# Loaded at run time, where dpkg-shlibdeps cannot see them: libxml2 by name, and Qt's SVG
# image and icon plugins (libqt6svg6) for every tile's picture.
set(CPACK_DEBIAN_MANAGER_PACKAGE_DEPENDS "libxml2, libqt6svg6")
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_DEPENDS "vexor-manager (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_MANAGER_DESCRIPTION
    "administration tool for the TORVAL VEXOR SAT-CF-e device\n"
    "The technician's tool to install, activate, configure, test and\n"
    "maintain a SAT-CF-e fiscal device through its maker's library,\n"
    "with the vexor command-line program.")
set(CPACK_COMPONENT_SIMULATOR_DESCRIPTION
    "simulated TORVAL VEXOR SAT-CF-e device\n"
    "A device library with the exports of the maker's library, satsim\n"
    "to set its state, and a launcher that starts the manager on it.")
include(CPack)
