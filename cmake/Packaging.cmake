# Everything besides the two programs that an installation brings along (desktop entry,
# score file type, icons, AppStream metainfo, manual pages, examples), and the Debian
# package made from it.
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
# The score files' own type, which the desktop entry offers to open; Debian's
# shared-mime-info trigger folds it into the desktop's database.
install(FILES "${VORLAT_RES_DIR}/${VORLAT_APP_ID}.mime.xml"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/mime/packages"
        RENAME "${VORLAT_APP_ID}.xml")

# Icon theme sizes. 16 and 32 are drawn for their pixel grid (res/make-small-icons.py); the
# larger ones are scaled at build time from the one master picture.
foreach(size 16 32)
    install(FILES "${VORLAT_RES_DIR}/icon-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME "vorlat.png")
endforeach()
add_executable(vorlat_scale_icon "${VORLAT_RES_DIR}/ScaleIcon.cpp")
target_link_libraries(vorlat_scale_icon PRIVATE Qt6::Gui)
set(VORLAT_ICON_SIZES 48 64 128 256)
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

# The manual pages name the installed examples' folder; Debian wants them compressed with
# gzip -9n (no name or time stamp inside, so that the package is reproducible).
find_program(VORLAT_GZIP gzip REQUIRED)
set(VORLAT_EXAMPLES_FULL_DIR "${CMAKE_INSTALL_PREFIX}/${VORLAT_EXAMPLES_INSTALL_DIR}")
set(man_pages)
foreach(page vorlat vorlat-cli)
    configure_file("${VORLAT_RES_DIR}/${page}.1.in" "${PROJECT_BINARY_DIR}/man/${page}.1.in"
                   @ONLY)
    set(man_page "${PROJECT_BINARY_DIR}/man/${page}.1.gz")
    add_custom_command(OUTPUT "${man_page}"
        COMMAND "${CMAKE_COMMAND}" -E copy "${PROJECT_BINARY_DIR}/man/${page}.1.in"
                "${PROJECT_BINARY_DIR}/man/${page}.1"
        COMMAND "${VORLAT_GZIP}" -9nf "${PROJECT_BINARY_DIR}/man/${page}.1"
        DEPENDS "${PROJECT_BINARY_DIR}/man/${page}.1.in"
        COMMENT "Compressing the manual page ${page}(1)"
        VERBATIM)
    install(FILES "${man_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
    list(APPEND man_pages "${man_page}")
endforeach()

add_custom_target(vorlat_install_data ALL DEPENDS ${icon_files} ${man_pages})

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
Enter whenever a dart lands while watching the match (or while the footage plays
in Vorlat's own player), and export the scoreboard as the classic 320x240 AVI or
as an overlay for video editors (any size and frame rate, transparent or on a key
colour, H.264, ProRes, VP9, FFV1 or PNG frames), or burn it into the footage.

The package also holds vorlat-cli, which checks, prints, paints, exports and
burns in score files without a window.")
# The libraries come from dpkg-shlibdeps; what Qt loads at run time (its window-system
# plugins) and the faces the board and the window are laid out with are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, fonts-ipafont-gothic")
include(CPack)
