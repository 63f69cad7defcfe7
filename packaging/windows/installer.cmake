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

# The version as the program shows it, 1.00.0001 for 1.0.0.1: major, minor
# in two digits, revision in four, so that names and "Apps & features" sort.
set(minor "0${PROJECT_VERSION_MINOR}")
string(LENGTH "${minor}" length)
math(EXPR start "${length} - 2")
string(SUBSTRING "${minor}" ${start} 2 minor)
set(revision "000${PROJECT_VERSION_TWEAK}")
string(LENGTH "${revision}" length)
math(EXPR start "${length} - 4")
string(SUBSTRING "${revision}" ${start} 4 revision)
set(TOLVANE_SHOWN_VERSION "${PROJECT_VERSION_MAJOR}.${minor}.${revision}")

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
