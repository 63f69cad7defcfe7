# The version, written once in project() in the top-level CMakeLists, and the
# forms it is shown in.  Everything else that names it is generated from here:
# the header the programs and the Windows resources include, the manifest,
# the manual page, the installer and the version the scripts check packages
# against.
#
# As shown: major, minor in two digits, revision in four (2.3.0.7 shows as
# 2.03.0007), so that file names and "Apps & features" sort, and dpkg
# compares 2.03.0007 < 2.03.0008 < 2.04.0000 by number, as intended.
set(minor "0${PROJECT_VERSION_MINOR}")
string(LENGTH "${minor}" length)
math(EXPR start "${length} - 2")
string(SUBSTRING "${minor}" ${start} 2 minor)
set(revision "000${PROJECT_VERSION_TWEAK}")
string(LENGTH "${revision}" length)
math(EXPR start "${length} - 4")
string(SUBSTRING "${revision}" ${start} 4 revision)
set(TOLVANE_SHOWN_VERSION "${PROJECT_VERSION_MAJOR}.${minor}.${revision}")

set(TOLVANE_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane_version.h.in
               ${TOLVANE_GENERATED_DIR}/tolvane_version.h @ONLY)
# For the scripts that check what was built (scripts/lib/package.sh,
# scripts/lib/installer.sh): the shown version, one line.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane-version.in ${PROJECT_BINARY_DIR}/tolvane-version
               @ONLY)

# Programs, resources and tests that name the version include
# "tolvane_version.h" through this library.
add_library(tolvane_version INTERFACE)
target_include_directories(tolvane_version INTERFACE ${TOLVANE_GENERATED_DIR})
