# Install rules and the Debian package (CPack). `cmake --install` puts the two programs in
# bin/, the desktop entry, the icons, the manual pages and the documents under share/;
# scripts/package.sh builds build/package/talvero_<version>_amd64.deb from them.
set(TALVERO_PACKAGE_MAINTAINER "Talvero developers <talvero@talvero.github.io>"
    CACHE STRING "Maintainer field of the Debian package and its changelog")
set(linux ${PROJECT_SOURCE_DIR}/packaging/linux)
set(generated ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS talvero-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET talvero)
  install(TARGETS talvero RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${linux}/talvero.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${TALVERO_ICON_DIR}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

# Manual pages and the changelog compressed as Debian wants them (gzip -9n: no name, no time,
# so the package is the same from one build to the next).
find_program(GZIP gzip REQUIRED)
set(compressed "")
foreach(page talvero talvero-convert)
  configure_file(${linux}/${page}.1.in ${generated}/${page}.1 @ONLY)
  list(APPEND compressed ${generated}/${page}.1)
endforeach()
configure_file(${linux}/changelog.in ${generated}/changelog @ONLY)
list(APPEND compressed ${generated}/changelog)
set(gzipped "")
foreach(file ${compressed})
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${GZIP} -9nkf ${file}
    DEPENDS ${file})
  list(APPEND gzipped ${file}.gz)
endforeach()
add_custom_target(talvero_compressed_docs ALL DEPENDS ${gzipped})

install(FILES ${generated}/talvero-convert.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET talvero)
  install(FILES ${generated}/talvero.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
set(docs ${CMAKE_INSTALL_DATADIR}/doc/talvero)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${linux}/copyright ${generated}/changelog.gz
        DESTINATION ${docs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvero)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TALVERO_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "panorama to background scenery for the FMS and RCPSim flight simulators")
set(CPACK_PACKAGE_DESCRIPTION
    "Talvero turns one equirectangular 360-degree panorama (BMP, JPEG, PNG or TIFF)
into background scenery for the radio-control flight simulators FMS and RCPSim:
the six faces of a cube or twenty tiles of a sphere as images, and the
simulator's scene file. It has a desktop window (in Japanese) and a
command-line converter, talvero-convert, which drive the same engine.")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://talvero.github.io/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The fonts are found at run time through fontconfig, so no library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
