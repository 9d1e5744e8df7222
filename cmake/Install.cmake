# Installation in the freedesktop layout, and the Debian package built from it with
# `cpack -G DEB`; on Windows, a zip and an installer. Included at the end of the top-level CMakeLists.txt, after
# every target.

if(WIN32)
  # keblor-<version>-win64.zip: keblor.exe at the top, which opens help\index.html beside it,
  # with the license and the README.
  if(TARGET keblor)
    install(TARGETS keblor RUNTIME DESTINATION .)
  endif()
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/
    DESTINATION help
    FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

  # keblor-<version>-win64-setup.exe (`cmake --build ... --target setup`): the same files installed
  # by NSIS's makensis, with a Start menu shortcut and an uninstaller.
  find_program(KEBLOR_MAKENSIS makensis)
  if(KEBLOR_MAKENSIS AND TARGET keblor)
    set(KEBLOR_SETUP ${CMAKE_BINARY_DIR}/keblor-${PROJECT_VERSION}-win64-setup.exe)
    set(KEBLOR_SETUP_STAGE ${CMAKE_BINARY_DIR}/setup-stage)
    file(GLOB KEBLOR_HELP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/help/*)
    add_custom_command(OUTPUT ${KEBLOR_SETUP}
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${KEBLOR_SETUP_STAGE}
      COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${KEBLOR_SETUP_STAGE}
      COMMAND ${KEBLOR_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${KEBLOR_SETUP_STAGE}
        -DICON=${PROJECT_SOURCE_DIR}/resources/icons/keblor.ico -DOUTFILE=${KEBLOR_SETUP}
        ${PROJECT_SOURCE_DIR}/resources/packaging/keblor.nsi
      DEPENDS keblor ${PROJECT_SOURCE_DIR}/resources/packaging/keblor.nsi ${KEBLOR_HELP_FILES}
        ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
      COMMENT "Making keblor-${PROJECT_VERSION}-win64-setup.exe"
      VERBATIM)
    add_custom_target(setup DEPENDS ${KEBLOR_SETUP})
  endif()

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME keblor)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "CW Keblor developers")
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME keblor-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

# The program looks for its help here, relative to its own bin folder (src/desktop).
set(KEBLOR_HELP_DESTINATION ${CMAKE_INSTALL_DATADIR}/keblor/help)
set(KEBLOR_DOC_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/keblor)
set(KEBLOR_APPSTREAM_ID org.example.keblor)

# The programs keblor (src/qt) and keblor-analyse (tools) install themselves next to their
# targets, into ${CMAKE_INSTALL_BINDIR}.

install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/
  DESTINATION ${KEBLOR_HELP_DESTINATION}
  FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
install(FILES ${PROJECT_SOURCE_DIR}/resources/keblor.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/${KEBLOR_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The PNG sizes are made once from the SVG and kept in the tree, so a build needs no image
# tools: rsvg-convert -w N -h N keblor.svg -o keblor-N.png
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/keblor.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/keblor-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME keblor.png)
endforeach()

# Manual pages and the changelog are installed compressed, as Debian has them: gzip -9n keeps
# no name or time stamp, so the same text gives the same bytes.
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/packaging/changelog KEBLOR_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT KEBLOR_CHANGELOG_TOP MATCHES "^keblor \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/packaging/changelog starts with '${KEBLOR_CHANGELOG_TOP}', "
    "not with an entry for version ${PROJECT_VERSION}")
endif()
set(KEBLOR_GZIPPED)
foreach(source resources/man/keblor.1 resources/man/keblor-analyse.1 resources/packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(plain ${CMAKE_BINARY_DIR}/gzipped/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND KEBLOR_GZIPPED ${plain}.gz)
endforeach()
add_custom_target(keblor_gzipped_docs ALL DEPENDS ${KEBLOR_GZIPPED})
install(FILES ${CMAKE_BINARY_DIR}/gzipped/keblor.1.gz ${CMAKE_BINARY_DIR}/gzipped/keblor-analyse.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/gzipped/changelog.gz DESTINATION ${KEBLOR_DOC_DESTINATION})
# The machine-readable copyright file Debian asks for; it holds the text of LICENSE.
install(FILES ${PROJECT_SOURCE_DIR}/resources/packaging/copyright DESTINATION ${KEBLOR_DOC_DESTINATION})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keblor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "CW Keblor developers")
set(CPACK_PACKAGE_CONTACT "CW Keblor developers <keblor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CW tuning aid: live audio spectrum with a pitch marker")
# One string with its line ends: a list would reach the control file with ';' between the lines.
# Lines stay under 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "CW Keblor captures a receiver's audio from the sound card and draws its\n"
  "spectrum live with a pitch marker, so that a Morse code signal can be tuned\n"
  "onto the wanted beat note. It shows the input peak level in dB, and with a\n"
  "stereo sound card the main and sub receiver in two windows.\n"
  "keblor-analyse runs the same analysis over a WAV recording.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The package is for the machine the programs are built for, not the one that builds them.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the libraries the programs link, with their versions; without it they
# are named here. Never both for one library: the package would list it twice.
find_program(KEBLOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KEBLOR_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # PortAudio and Hamlib are loaded at run time (src/portaudio, src/hamlib), where
  # dpkg-shlibdeps does not look.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libportaudio2")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6gui6, libqt6network6, libqt6core6, libpulse0, libportaudio2, libsamplerate0, libsndfile1")
endif()
# Hamlib's package, named after the library's SONAME (src/hamlib); a build without Hamlib has none.
if(KEBLOR_HAMLIB_PACKAGE)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${KEBLOR_HAMLIB_PACKAGE}")
endif()
# The mixer opened by "Input controls..." and "Output controls...".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pavucontrol")
include(CPack)
