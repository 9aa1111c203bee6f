# Installation (cmake --install, with GNUInstallDirs) and the Debian package (cpack -G DEB).
# The programs find their default data at ../share/vardeck/data beside bin/, so a relocated or
# DESTDIR install works as well.
set(VARDECK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vardeck)

install(TARGETS vardeck-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY data/ DESTINATION ${VARDECK_SHARE_DIR}/data)

# The pages are made from each program's --help, so they follow its options.
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
    message(STATUS "help2man not found: the manual pages are not made")
endif()
function(vardeck_man_page target description commands)
    if(NOT HELP2MAN)
        return()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${target}.1.gz)
    set(include ${CMAKE_SOURCE_DIR}/packaging/${target}.h2m)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${HELP2MAN} -DPROGRAM=$<TARGET_FILE:${target}>
            -DNAME=${description} -DVERSION=${PROJECT_VERSION} -DINCLUDE=${include}
            -DOUTPUT=${page} -DCOMMANDS=${commands} -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
        DEPENDS ${target} ${include} ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
        COMMENT "Writing the manual page of ${target}" VERBATIM)
    add_custom_target(${target}_man ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
vardeck_man_page(vardeck-cli "run the Vardeck elevator simulation without a window" ON)

if(TARGET vardeck)
    install(TARGETS vardeck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES packaging/vardeck.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    vardeck_man_page(vardeck "simulate an elevator car and compare its control systems" OFF)

    # The menu icon at the usual sizes, drawn by the program's own icon code.
    add_executable(vardeck_icons src/app/tools/write_icons.cpp)
    target_link_libraries(vardeck_icons PRIVATE vardeck_app)
    set(icon_dir ${CMAKE_BINARY_DIR}/icons)
    add_custom_command(OUTPUT ${icon_dir}/hicolor/256x256/apps/vardeck.png
        COMMAND vardeck_icons ${icon_dir}
        DEPENDS vardeck_icons
        COMMENT "Drawing the menu icons" VERBATIM)
    add_custom_target(vardeck_icon_files ALL
        DEPENDS ${icon_dir}/hicolor/256x256/apps/vardeck.png)
    install(DIRECTORY ${icon_dir}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Debian wants the copyright file and a gzipped changelog in the package's doc folder.
set(changelog ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog}
    DEPENDS packaging/changelog)
add_custom_target(vardeck_changelog ALL DEPENDS ${changelog})
install(FILES packaging/copyright ${changelog} DESTINATION ${VARDECK_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vardeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(VARDECK_MAINTAINER "Vardeck maintainers <maintainers@vardeck.example>"
    CACHE STRING "The Debian package's maintainer, \"Name <address>\"")
set(CPACK_PACKAGE_CONTACT ${VARDECK_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "elevator control simulator with a self-learning controller")
# Lines of at most 80 characters, as Debian wants them.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vardeck simulates one elevator car serving a 28-floor building, to compare\n"
    "elevator control systems on the same traffic and to train a self-learning\n"
    "one: a fixed schedule, a neural network that gives the car its orders, and\n"
    "an adaptive system that tunes the network's parking coefficient as it runs.\n"
    "\n"
    "The package holds the window program vardeck, the headless driver\n"
    "vardeck-cli, and the default networks, settings and sample traffic, which\n"
    "each user gets a copy of in ~/.local/share/vardeck at the first start.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET vardeck)
    # Qt finds its display through a platform plugin that no library links.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
    # Qt's own dialogs in the user's language.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
