# The Debian package of everything `cmake --install` installs: `cpack -G DEB` in the build folder
# writes calyx2_<version>_<arch>.deb, installing under /usr (plug-ins where Linux hosts look, tools in
# /usr/bin), with stripped binaries, dependencies found by dpkg-shlibdeps, and the copyright file and
# changelog Debian policy asks for. The Windows archive is scripts/package-windows.sh.
if(WIN32)
  return()
endif()

set(calyx2_packaging ${PROJECT_SOURCE_DIR}/packaging/debian)
set(calyx2_changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${calyx2_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${calyx2_packaging}/changelog ${calyx2_changelog}
  DEPENDS ${calyx2_packaging}/changelog
  VERBATIM)
add_custom_target(calyx2_changelog ALL DEPENDS ${calyx2_changelog})
install(FILES ${calyx2_packaging}/copyright ${calyx2_changelog} DESTINATION ${CALYX2_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calyx2)
set(CPACK_PACKAGE_VENDOR "Calyx2 developers")
set(CPACK_PACKAGE_CONTACT "Calyx2 developers <calyx2@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "phase-modulation synthesiser plug-in with 32 programs")
set(CPACK_PACKAGE_DESCRIPTION
    "Calyx2 is a polyphonic phase-modulation synthesiser for plug-in hosts:
five table operators per voice, 17 voices rendered at twice the host rate,
stereo chorus and tempo-synchronised delay, and 32 factory programs.
.
This package installs the instrument where Linux hosts look for plug-ins
and the command-line tools that list its programs, render MIDI files
through it into audio files and export its sounds as preset files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Let the packaging tools, not the umask of whoever builds, decide the control files' modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianPackageFixup.cmake)
include(CPack)
