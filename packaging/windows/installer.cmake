# The Windows installer target: `tolvane_installer` runs makensis on
# tolvane.nsi around the cross-built tolvane.exe and tolvane-cli.exe and writes
# tolvane-<version>-setup.exe into the build folder.  Not part of `all`.
if(NOT WIN32 OR NOT TARGET tolvane)
  return()
endif()

find_program(TOLVANE_MAKENSIS makensis)
if(NOT TOLVANE_MAKENSIS)
  message(STATUS "makensis not found: no tolvane_installer target (Debian: apt install nsis)")
  return()
endif()

# TOLVANE_SHOWN_VERSION comes from cmake/version.cmake.
set(script ${CMAKE_CURRENT_LIST_DIR}/tolvane.nsi)
set(icon ${PROJECT_SOURCE_DIR}/resources/tolvane.ico)
set(TOLVANE_INSTALLER ${CMAKE_BINARY_DIR}/tolvane-${TOLVANE_SHOWN_VERSION}-setup.exe)

# -WX: a warning (a missing file, an unused string) fails the build.
add_custom_command(
  OUTPUT ${TOLVANE_INSTALLER}
  COMMAND ${TOLVANE_MAKENSIS} -V2 -WX
          -DEXE=$<TARGET_FILE:tolvane> -DCLI_EXE=$<TARGET_FILE:tolvane-cli> -DICON=${icon} -DOUTFILE=${TOLVANE_INSTALLER}
          -DVERSION=${TOLVANE_SHOWN_VERSION} -DVI_VERSION=${PROJECT_VERSION}
          ${script}
  DEPENDS tolvane tolvane-cli ${script} ${icon}
  COMMENT "Building the installer ${TOLVANE_INSTALLER}"
  VERBATIM)
add_custom_target(tolvane_installer DEPENDS ${TOLVANE_INSTALLER})
