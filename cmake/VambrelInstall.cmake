# What `cmake --install` puts under the prefix, and the Debian package made from the same install.
# The program finds qvtSrv and its help book from its own bin folder (src/catalogue/ProgramFiles).
set(VAMBREL_APP_ID "com.quorvat.Vambrel")
set(data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS Vambrel qvtjob RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qvtSrv RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vambrel)

# The help book; the build tree keeps a copy beside the program so that it runs from there too.
file(GLOB_RECURSE help_files CONFIGURE_DEPENDS ${data}/aide/*)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/aide.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/aide
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${data}/aide ${PROJECT_BINARY_DIR}/aide
    COMMAND ${CMAKE_COMMAND} -E touch ${PROJECT_BINARY_DIR}/aide.stamp
    DEPENDS ${help_files}
    COMMENT "Copying the help book")
add_custom_target(vambrel_help ALL DEPENDS ${PROJECT_BINARY_DIR}/aide.stamp)
add_dependencies(Vambrel vambrel_help)
install(DIRECTORY ${data}/aide/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vambrel/aide)

# Desktop entry, AppStream metainfo, the catalogue type, the icons.
install(FILES ${data}/desktop/${VAMBREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/desktop/${VAMBREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/desktop/${VAMBREL_APP_ID}.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${data}/icons/${VAMBREL_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN ITEMS 16 24 32 48 64 128 256)
    install(FILES ${data}/icons/${size}/${VAMBREL_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages, compressed as Debian wants them.
foreach(page IN ITEMS qvtjob.1 Vambrel.1)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -9 -n -c ${data}/man/${page} > ${PROJECT_BINARY_DIR}/man/${page}.gz
        DEPENDS ${data}/man/${page})
    list(APPEND man_pages ${PROJECT_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(vambrel_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vambrel)

# `cpack -G DEB` in the build folder. The libraries come from dpkg-shlibdeps; the rest is what
# the program uses at run time without linking it.
set(CPACK_PACKAGE_NAME vambrel)
set(CPACK_PACKAGE_VENDOR "Quorvat")
set(CPACK_PACKAGE_CONTACT "Quorvat <support@quorvat.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "catalogues de disques, avec une interface en français")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vambrel)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "shared-mime-info, hicolor-icon-theme, adwaita-icon-theme, fonts-liberation2, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "catalogues de disques, avec une interface en français
 Vambrel enregistre des arborescences de dossiers dans des catalogues, qui se
 consultent, s'impriment et se comparent au disque sans le disque enregistré,
 et offre un explorateur des disques avec les opérations de fichiers usuelles.")
set(CPACK_GENERATOR DEB)
include(CPack)
