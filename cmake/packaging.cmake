# Manual pages and the guide go beside the programs; cpack turns the whole
# installation into a Debian package.

include(GNUInstallDirs)

set(KARTEN_MANUAL_PAGES kippdreh glattzug messkart passnetz)

# Debian keeps manual pages compressed; gzip -n leaves out name and time, so
# the package is the same from build to build.
find_program(KARTEN_GZIP gzip)
foreach(page IN LISTS KARTEN_MANUAL_PAGES)
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page}.1)
  if(KARTEN_GZIP)
    set(packed ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${KARTEN_GZIP} -9 -n -c ${source} > ${packed}
      DEPENDS ${source}
      VERBATIM)
    list(APPEND KARTEN_PACKED_PAGES ${packed})
    install(FILES ${packed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    install(FILES ${source} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
if(KARTEN_PACKED_PAGES)
  add_custom_target(manual_pages ALL DEPENDS ${KARTEN_PACKED_PAGES})
endif()

set(KARTEN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kartenwerkzeuge)
install(FILES ${PROJECT_SOURCE_DIR}/docs/ANLEITUNG.md
        DESTINATION ${KARTEN_DOC_DIR})
# The licence in Debian's machine-readable form and the package's changelog,
# where Debian looks for them.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${KARTEN_DOC_DIR})
if(KARTEN_GZIP)
  set(packed_changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
  add_custom_command(OUTPUT ${packed_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
    COMMAND ${KARTEN_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${packed_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog
    VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${packed_changelog})
  install(FILES ${packed_changelog} DESTINATION ${KARTEN_DOC_DIR})
endif()
# The guide shows the sample chain's pictures by relative path.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/pictures DESTINATION ${KARTEN_DOC_DIR}
        FILES_MATCHING PATTERN "*.png")
install(FILES ${PROJECT_SOURCE_DIR}/samples/scan.bmp ${PROJECT_SOURCE_DIR}/samples/karte.bmp
              ${PROJECT_SOURCE_DIR}/samples/KARTE-HV.TXT
        DESTINATION ${KARTEN_DOC_DIR}/examples)

# The measuring desk is a web page opened from disk: it needs nothing but its
# own files, shipped beside the programs' other shared data.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/messtisch/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kartenwerkzeuge/messtisch
        PATTERN "README.md" EXCLUDE)
# The page's build of the tools goes beside it (KARTEN_PAGE_TOOLS_DIR).
install(CODE "set(PAGE_TOOLS \"${KARTEN_PAGE_TOOLS_DIR}\")
set(TO \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/kartenwerkzeuge/messtisch/werkzeuge\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/pagetools.cmake)
# The Windows programs are handed out as the build folder: the page goes
# beside them there too, with the page's build of the tools.
if(WIN32)
  add_custom_target(messtisch ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/messtisch ${PROJECT_BINARY_DIR}/messtisch
    COMMAND ${CMAKE_COMMAND} -DPAGE_TOOLS=${KARTEN_PAGE_TOOLS_DIR} -DTO=${PROJECT_BINARY_DIR}/messtisch/werkzeuge
            -P ${PROJECT_SOURCE_DIR}/cmake/pagetools.cmake
    COMMENT "Copying the measuring desk page and the page's build of the tools beside the Windows programs")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kartenwerkzeuge)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kartenwerkzeuge <kartenwerkzeuge@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gescannte Karten drehen, entzerren, kalibrieren und georeferenzieren")
set(CPACK_PACKAGE_DESCRIPTION
    "kippdreh dreht ein schief gescanntes 24-Bit-BMP-Bild pixelgenau gerade,
glattzug entzerrt eine Karte zwischen blauen Rahmenbalken (linear oder
hyperbolisch in der Breite), messkart erzeugt aus gemessenen Punkten eine
Kalibrierdatei (.INF) fuer MIRANTEL-Maps, und passnetz schreibt zur
kalibrierten Karte Passpunkte fuer QGIS und GDAL. Dazu der Messtisch, eine
Webseite, die im Browser ohne Netz die Schraeglage misst, die Rahmenbalken
zeichnet und die Messdatei schreibt. Mit deutscher Anleitung, Beispieldateien
und Handbuchseiten.")
# gdalwarp makes a GeoTIFF from passnetz's files; the desk needs a browser.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gdal-bin, chromium | firefox-esr | www-browser")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies (libc, libstdc++, libgcc) are read from the built programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# strip keeps the compiler's .comment and the .note sections, which a
# package need not carry: they go as Debian's own package builds drop them.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debianstrip.cmake)
set(CPACK_SOURCE_IGNORE_FILES "/build.*/" "/\\\\.git/")
include(CPack)
