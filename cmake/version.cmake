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

# The release date (TOLVANE_RELEASE_DATE, YYYY-MM-DD, set beside the version)
# as a Debian changelog writes it: "Wed, 09 Dec 2026 00:00:00 +0000".  The
# weekday by Sakamoto's method.
if(NOT TOLVANE_RELEASE_DATE MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
  message(FATAL_ERROR "TOLVANE_RELEASE_DATE is not YYYY-MM-DD: ${TOLVANE_RELEASE_DATE}")
endif()
math(EXPR release_year "${CMAKE_MATCH_1}")
math(EXPR release_month "${CMAKE_MATCH_2}")
set(release_day_text "${CMAKE_MATCH_3}")
math(EXPR release_day "${CMAKE_MATCH_3}")
set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
math(EXPR month_index "${release_month} - 1")
list(GET month_offsets ${month_index} month_offset)
set(weekday_year ${release_year})
if(release_month LESS 3)
  math(EXPR weekday_year "${release_year} - 1")
endif()
math(EXPR weekday "(${weekday_year} + ${weekday_year} / 4 - ${weekday_year} / 100 + \
${weekday_year} / 400 + ${month_offset} + ${release_day}) % 7")
set(weekday_names Sun Mon Tue Wed Thu Fri Sat)
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET weekday_names ${weekday} weekday_name)
list(GET month_names ${month_index} month_name)
set(TOLVANE_RELEASE_DATE_RFC2822
    "${weekday_name}, ${release_day_text} ${month_name} ${release_year} 00:00:00 +0000")
set(TOLVANE_RELEASE_YEAR ${release_year})

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
