# Install rules and the Debian package. Included from the top-level
# CMakeLists.txt; only the two programs, their desktop integration and the
# demo data are installed, nothing of the tests, benchmark or generators.
include(GNUInstallDirs)

set(KOLVEX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KOLVEX_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/kolvexselvanto)

install(TARGETS KolvexSelvanto KolvexSelvantoPflege RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The demo databases, pictures and Quarnel text exports, so that a first
# start has something to open (see kolvexselvanto-demo).
# Named one by one, so that nothing a developer's run left in build/demo
# (journals, backups, imported files) is installed.
install(FILES ${DEMO_OUT}/kolvexDB3.glo ${DEMO_OUT}/kolvex3.glo DESTINATION ${KOLVEX_SHARE_DIR}/demo)
install(DIRECTORY ${DEMO_OUT}/images/ DESTINATION ${KOLVEX_SHARE_DIR}/demo/images
  FILES_MATCHING PATTERN "Bild*_scaled.png")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/quarnel/ DESTINATION ${KOLVEX_SHARE_DIR}/demo/quarnel)

# The rest belongs to Linux desktops and the Debian package.
if(NOT UNIX OR APPLE)
  return()
endif()

install(PROGRAMS ${KOLVEX_PACKAGING_DIR}/kolvexselvanto-demo DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES
  ${KOLVEX_PACKAGING_DIR}/com.tirma.KolvexSelvanto.desktop
  ${KOLVEX_PACKAGING_DIR}/com.tirma.KolvexSelvantoPflege.desktop
  ${KOLVEX_PACKAGING_DIR}/com.tirma.KolvexSelvantoDemo.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KOLVEX_PACKAGING_DIR}/kolvexselvanto-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kolvexselvanto.xml)
foreach(size 48 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/images/kolvexselvanto-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME kolvexselvanto.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/images/kolvexselvanto.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the changelog go compressed, as Debian keeps them; the
# copyright file stays plain.
find_program(GZIP_EXECUTABLE gzip)
if(GZIP_EXECUTABLE)
  set(KOLVEX_DOC_OUT ${PROJECT_BINARY_DIR}/packaging)
  set(KOLVEX_MAN_PAGES KolvexSelvanto KolvexSelvantoPflege kolvexselvanto-demo)
  set(KOLVEX_COMPRESSED_DOCS)
  foreach(page ${KOLVEX_MAN_PAGES})
    add_custom_command(OUTPUT ${KOLVEX_DOC_OUT}/${page}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KOLVEX_DOC_OUT}
      COMMAND ${GZIP_EXECUTABLE} -9n -c ${KOLVEX_PACKAGING_DIR}/man/${page}.1 > ${KOLVEX_DOC_OUT}/${page}.1.gz
      DEPENDS ${KOLVEX_PACKAGING_DIR}/man/${page}.1
      COMMENT "Compressing the manual page of ${page}")
    list(APPEND KOLVEX_COMPRESSED_DOCS ${KOLVEX_DOC_OUT}/${page}.1.gz)
    install(FILES ${KOLVEX_DOC_OUT}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  add_custom_command(OUTPUT ${KOLVEX_DOC_OUT}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KOLVEX_DOC_OUT}
    COMMAND ${GZIP_EXECUTABLE} -9n -c ${KOLVEX_PACKAGING_DIR}/changelog > ${KOLVEX_DOC_OUT}/changelog.gz
    DEPENDS ${KOLVEX_PACKAGING_DIR}/changelog
    COMMENT "Compressing the changelog")
  list(APPEND KOLVEX_COMPRESSED_DOCS ${KOLVEX_DOC_OUT}/changelog.gz)
  add_custom_target(kolvex_docs ALL DEPENDS ${KOLVEX_COMPRESSED_DOCS})
  install(FILES ${KOLVEX_DOC_OUT}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kolvexselvanto)
endif()
install(FILES ${KOLVEX_PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kolvexselvanto)

# The system settings store names Qt's German catalogs. Qt reads it from
# the first folder of XDG_CONFIG_DIRS, /etc/xdg by default, so a package for
# /usr puts it there; any other prefix keeps it below the prefix.
install(CODE "
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
    set(kolvex_etc /etc)
  else()
    set(kolvex_etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
  endif()
  file(INSTALL \"${KOLVEX_PACKAGING_DIR}/KolvexSelvanto.conf\"
       DESTINATION \"\${kolvex_etc}/xdg/Tirma\")
")

# cpack -G DEB (scripts/build-package.sh) builds one package of all this;
# a parent project that embeds this one packages on its own terms.
if(NOT PROJECT_SOURCE_DIR STREQUAL CMAKE_SOURCE_DIR)
  return()
endif()
set(CPACK_PACKAGE_NAME kolvexselvanto)
set(CPACK_PACKAGE_VENDOR "Tirma")
set(CPACK_PACKAGE_CONTACT "Tirma KolvexSelvanto <kolvexselvanto@tirma.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pflege der Kolvex-Gerätedatenbank (Feuerstätten und Kenndaten)")
# The synopsis comes from the summary; CPack indents these lines and turns
# the empty one into the paragraph mark.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"KolvexSelvanto bearbeitet die SQLite-Gerätedatenbank des Kolvex-Programms:
Hersteller, ihre Feuerstätten für feste Brennstoffe und deren Kenndaten,
Gruppen, Aufsätze, Feuerräume und Baustoffe, dazu die Quarnel-Datenbank.

Enthalten sind die Herstellerausgabe (KolvexSelvanto) und die
Pflegeausgabe (KolvexSelvantoPflege) mit Änderungsjournal,
Hersteller-Updates, Sicherungskopien und Import der Quarnel-Tabellen,
dazu eine Demo-Datenbank (kolvexselvanto-demo).")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt and C++ libraries come from dpkg-shlibdeps; the rest is loaded or
# started at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5sql5-sqlite, sqlite3, qttranslations5-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KOLVEX_PACKAGING_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
