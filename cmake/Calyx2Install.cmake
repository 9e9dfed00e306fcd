# Where `cmake --install` puts what we ship, one variable per plug-in format so that every format's
# folder adds a single install line:
#   VST 2.4  install(TARGETS <target> LIBRARY DESTINATION ${CALYX2_INSTALL_VSTDIR})
#   CLAP     install(TARGETS <target> LIBRARY DESTINATION ${CALYX2_INSTALL_CLAPDIR})
#   LV2      calyx2_install_lv2_bundle(<bundle folder in the build tree> <binary target>...)
#   tools    calyx2_install_tools(<target>...)   (also makes their man pages)
#
# On Linux the folders are relative to CMAKE_INSTALL_PREFIX and name lib/, not the multiarch
# libdir, because hosts search /usr/lib/vst, /usr/local/lib/vst, /usr/lib/clap and /usr/lib/lv2
# literally. The installed tools find the plug-in in ../lib/vst beside their own folder.
# A per-user install sets the folders to absolute paths (scripts/install-user.sh).
# The Windows builds put every plug-in binary at the top of the prefix: one folder per architecture.
if(WIN32)
  set(calyx2_default_vstdir .)
  set(calyx2_default_clapdir .)
  set(calyx2_default_lv2dir .)
else()
  set(calyx2_default_vstdir lib/vst)
  set(calyx2_default_clapdir lib/clap)
  set(calyx2_default_lv2dir lib/lv2)
endif()
set(CALYX2_INSTALL_VSTDIR ${calyx2_default_vstdir} CACHE STRING "Install folder of the VST 2.4 plug-in")
set(CALYX2_INSTALL_CLAPDIR ${calyx2_default_clapdir} CACHE STRING "Install folder of the CLAP plug-in")
set(CALYX2_INSTALL_LV2DIR ${calyx2_default_lv2dir} CACHE STRING "Install folder of the LV2 bundle")
set(CALYX2_INSTALL_BINDIR bin CACHE STRING "Install folder of the command-line tools")
set(CALYX2_INSTALL_MANDIR share/man CACHE STRING "Install folder of the tools' man pages")
set(CALYX2_INSTALL_DOCDIR share/doc/calyx2 CACHE STRING "Install folder of the copyright and changelog")

# Packages want 0755 folders whatever the umask of whoever builds them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

find_program(CALYX2_HELP2MAN help2man)
set(CALYX2_MAN_PAGE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/ManPage.cmake)

# Installs the named tools (those this build made) and, where help2man can run them, a man page for
# each drawn from its --help and --version, so the pages follow the options without being edited.
function(calyx2_install_tools)
  foreach(tool IN LISTS ARGN)
    if(NOT TARGET ${tool})
      continue()
    endif()
    install(TARGETS ${tool} RUNTIME DESTINATION ${CALYX2_INSTALL_BINDIR})
    if(NOT CALYX2_HELP2MAN OR CMAKE_CROSSCOMPILING)
      continue()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${CALYX2_HELP2MAN} -DTOOL=$<TARGET_FILE:${tool}> -DPAGE=${page}
              -P ${CALYX2_MAN_PAGE_SCRIPT}
      DEPENDS ${tool} ${CALYX2_MAN_PAGE_SCRIPT}
      COMMENT "Man page of ${tool}"
      VERBATIM)
    add_custom_target(${tool}_man_page ALL DEPENDS ${page})
    install(FILES ${page} DESTINATION ${CALYX2_INSTALL_MANDIR}/man1)
  endforeach()
endfunction()

# An LV2 bundle is a folder: its binaries (plug-in, UI) go through install(TARGETS) so that
# stripped installs and packages strip them; the data files beside them are copied as they are.
function(calyx2_install_lv2_bundle bundle)
  get_filename_component(name ${bundle} NAME)
  install(DIRECTORY ${bundle}/ DESTINATION ${CALYX2_INSTALL_LV2DIR}/${name}
          PATTERN "*${CMAKE_SHARED_MODULE_SUFFIX}" EXCLUDE)
  install(TARGETS ${ARGN} LIBRARY DESTINATION ${CALYX2_INSTALL_LV2DIR}/${name})
endfunction()
