# Everything besides the two programs that an installation brings along (desktop entry,
# icons, AppStream metainfo, manual page, examples), and the Debian package made from it.
# The programs' own install rules sit next to their targets in app/.

# The desktop entry and the metainfo are installed under the application's reverse-DNS id,
# which software centres use to pair the two.
set(VORLAT_APP_ID "org.example.vorlat")
set(VORLAT_RES_DIR "${PROJECT_SOURCE_DIR}/res")
set(VORLAT_EXAMPLES_INSTALL_DIR "${CMAKE_INSTALL_DATADIR}/doc/vorlat/examples")

install(FILES "${VORLAT_RES_DIR}/vorlat.desktop"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/applications"
        RENAME "${VORLAT_APP_ID}.desktop")
install(FILES "${VORLAT_RES_DIR}/${VORLAT_APP_ID}.metainfo.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# Icon theme sizes, scaled at build time from the one master picture.
add_executable(vorlat_scale_icon "${VORLAT_RES_DIR}/ScaleIcon.cpp")
target_link_libraries(vorlat_scale_icon PRIVATE Qt6::Gui)
set(VORLAT_ICON_SIZES 16 32 48 64 128 256)
set(icon_files)
foreach(size IN LISTS VORLAT_ICON_SIZES)
    set(dir "icons/hicolor/${size}x${size}/apps")
    set(png "${PROJECT_BINARY_DIR}/${dir}/vorlat.png")
    add_custom_command(OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/${dir}"
        COMMAND vorlat_scale_icon "${VORLAT_RES_DIR}/icon.png" ${size} "${png}"
        DEPENDS vorlat_scale_icon "${VORLAT_RES_DIR}/icon.png"
        COMMENT "Scaling the icon to ${size}x${size}"
        VERBATIM)
    list(APPEND icon_files "${png}")
    install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/${dir}")
endforeach()

# The manual page names the installed examples' folder; Debian wants it compressed with
# gzip -9n (no name or time stamp inside, so that the package is reproducible).
find_program(VORLAT_GZIP gzip REQUIRED)
set(VORLAT_EXAMPLES_FULL_DIR "${CMAKE_INSTALL_PREFIX}/${VORLAT_EXAMPLES_INSTALL_DIR}")
configure_file("${VORLAT_RES_DIR}/vorlat-cli.1.in" "${PROJECT_BINARY_DIR}/man/vorlat-cli.1.in"
               @ONLY)
set(man_page "${PROJECT_BINARY_DIR}/man/vorlat-cli.1.gz")
add_custom_command(OUTPUT "${man_page}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_BINARY_DIR}/man/vorlat-cli.1.in"
            "${PROJECT_BINARY_DIR}/man/vorlat-cli.1"
    COMMAND "${VORLAT_GZIP}" -9nf "${PROJECT_BINARY_DIR}/man/vorlat-cli.1"
    DEPENDS "${PROJECT_BINARY_DIR}/man/vorlat-cli.1.in"
    COMMENT "Compressing the manual page"
    VERBATIM)
install(FILES "${man_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

add_custom_target(vorlat_install_data ALL DEPENDS ${icon_files} "${man_page}")

install(DIRECTORY "${PROJECT_SOURCE_DIR}/examples/"
        DESTINATION "${VORLAT_EXAMPLES_INSTALL_DIR}"
        FILES_MATCHING PATTERN "*.txt")

# The Debian package: bash scripts/package.sh builds it.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vorlat")
set(CPACK_PACKAGE_VENDOR "The Vorlat developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "The Vorlat developers <developers@vorlat.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "darts scoreboard video maker")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VORLAT_HOMEPAGE}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "video")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# CPack puts the summary above this as the description's first line.
set(CPACK_PACKAGE_DESCRIPTION
    "Vorlat turns the score sheet of a two-player darts match (01 games or Cricket)
into a scoreboard video to lay over the match footage. Load a score file, press
Enter whenever a dart lands while watching the match, and export an AVI video
whose scoreboard follows that timing.

The package also holds vorlat-cli, which prints, paints and exports score files
without a window.")
# The libraries come from dpkg-shlibdeps; what Qt loads at run time (its window-system
# plugins) and the faces the board and the window are laid out with are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, fonts-ipafont-gothic")
include(CPack)
