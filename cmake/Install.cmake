# Installation in the freedesktop layout, and the Debian package built from it with
# `cpack -G DEB`. Included at the end of the top-level CMakeLists.txt, after every target.

# The program looks for its help here, relative to its own bin folder (src/desktop).
set(KEBLOR_HELP_DESTINATION ${CMAKE_INSTALL_DATADIR}/keblor/help)

# The programs keblor (src/qt) and keblor-analyse (tools) install themselves next to their
# targets, into ${CMAKE_INSTALL_BINDIR}.

install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/
  DESTINATION ${KEBLOR_HELP_DESTINATION}
  FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
install(FILES ${PROJECT_SOURCE_DIR}/resources/keblor.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/keblor.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/keblor-32.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
  RENAME keblor.png)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keblor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "CW Keblor developers")
set(CPACK_PACKAGE_CONTACT "CW Keblor developers <keblor@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CW tuning aid: live audio spectrum with a pitch marker")
set(CPACK_PACKAGE_DESCRIPTION
  "CW Keblor captures a receiver's audio from the sound card and draws its spectrum live with a\n"
  "pitch marker, so that a Morse code signal can be tuned onto the wanted beat note. It shows the\n"
  "input peak level in dB, and with a stereo card the main and sub receiver in two windows.\n"
  "keblor-analyse runs the same analysis over a WAV file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Named explicitly so the package is right even where dpkg-shlibdeps is missing; with it the
# versioned library dependencies are added as well.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6widgets6, libqt6gui6, libqt6core6, libportaudio2, libsndfile1")
find_program(KEBLOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KEBLOR_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
# The mixer opened by "Input controls..." and the browser launcher used for the help pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pavucontrol, xdg-utils")
include(CPack)
