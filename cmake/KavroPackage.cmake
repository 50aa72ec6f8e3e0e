# Installation under a standard prefix and the Debian package made from it with CPack.
# Installed, bin/ is not writable by its users: Kavro then keeps its files in each user's
# $XDG_DATA_HOME/kavro and copies the language files there from share/kavro/Language.
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME kavro)

if(TARGET torvex)
    install(TARGETS torvex LIBRARY DESTINATION lib)
    install(FILES ${PROJECT_SOURCE_DIR}/torvex/torvex.h DESTINATION include/torvex)
endif()
if(TARGET torvexctl)
    install(TARGETS torvexctl RUNTIME DESTINATION bin)
endif()
if(TARGET Kavro)
    install(TARGETS Kavro RUNTIME DESTINATION bin)
    if(TARGET kavro-cabinet)
        install(TARGETS kavro-cabinet RUNTIME DESTINATION bin)
    endif()
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/Language/ DESTINATION share/kavro/Language)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/Help/ DESTINATION share/kavro/Help)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kavro.desktop DESTINATION share/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kavro.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()
# Access to the cabinets for the user at the seat, for torvexctl as much as for Kavro.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/70-kavro-changer.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION share/doc/kavro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavro)
set(CPACK_PACKAGE_VENDOR "Kavro")
set(CPACK_PACKAGE_CONTACT "Kavro developers <kavro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Catalogue manager for USB disc changers")
set(CPACK_PACKAGE_DESCRIPTION
    "Kavro keeps a catalogue of every disc in USB disc changers (robotic cabinets of 100 or 150 "
    "slots), finds any disc or any file on it, and has the cabinet bring the disc to its door or "
    "load it into its drive. Includes libtorvex, the changer access library, and torvexctl.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Debian 12's runtime packages of what Kavro and libtorvex link.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libqt6printsupport6 (>= 6.4), \
libusb-1.0-0 (>= 2:1.0.26), libsqlite3-0 (>= 3.40), libjpeg62-turbo, pxlib1, libmdb3, libcdio19, \
libblkid1, libstdc++6, libc6")
# Registers libtorvex with ldconfig on install and removal.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
