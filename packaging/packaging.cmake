# Installing the program and packing it as a .deb: the window's binary, its
# desktop entry, its AppStream metadata and its icon at every size, the
# command line, both manual pages, the copyright file and the changelog.
# Included from the top-level CMakeLists after the front end (ui/qt/ or
# ui/win32/), whose `tolvane` target it installs, and man/; on Windows that
# is one self-contained tolvane.exe, with the console program tolvane-cli.exe
# beside it.
if(TOLVANE_CORE_ONLY)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command line beside the window.
install(TARGETS tolvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(tolvane_maintainer "Vurla <packages@vurla.example.com>")
# What the package and the software centres say of the program, in English;
# lines within 80 columns, as Debian's description wants them, paragraphs
# apart by an empty line.
set(tolvane_description_en
    "Tolvane lists every file of one kind (.jpg by default) in a folder tree,
breadth first, and copies them into one destination folder under systematic
names: a subfolder per source folder and the folder's name with a running
number, or all in one folder.

The source files stay untouched.  A copy never overwrites another copy or a
source; a file it replaces goes to the trash, or where the disk has none, to
a folder beside the copies.  The last run into a folder can be undone.  The
window is in Simplified Chinese; tolvane-cli does the same from the command
line.")

if(UNIX AND NOT APPLE)
  # Compressed as Debian installs them; made in man/.
  install(FILES ${TOLVANE_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tolvane)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${doc_dir})
  # The changelog's newest entry is this version, on its release date.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog
                 @ONLY)
  find_program(TOLVANE_GZIP gzip REQUIRED)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND ${TOLVANE_GZIP} -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
    VERBATIM)
  add_custom_target(tolvane_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc_dir})

  install(FILES ${CMAKE_CURRENT_LIST_DIR}/tolvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The AppStream metadata: its summary is the desktop entry's comment, its
  # English description the package's, its release this version.
  set(tolvane_appstream_id com.example.vurla.tolvane)
  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/tolvane.desktop desktop_lines ENCODING UTF-8)
  foreach(line IN LISTS desktop_lines)
    if(line MATCHES "^Comment=(.*)$")
      set(tolvane_summary_en "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^Comment\\[zh_CN\\]=(.*)$")
      set(tolvane_summary_zh "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^Name\\[zh_CN\\]=(.*)$")
      set(tolvane_name_zh "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  # One <p> per paragraph (the text holds semicolons: no CMake lists here).
  set(rest "${tolvane_description_en}")
  set(tolvane_description_en_xml "")
  while(NOT rest STREQUAL "")
    string(FIND "${rest}" "\n\n" cut)
    if(cut EQUAL -1)
      set(paragraph "${rest}")
      set(rest "")
    else()
      string(SUBSTRING "${rest}" 0 ${cut} paragraph)
      math(EXPR cut "${cut} + 2")
      string(SUBSTRING "${rest}" ${cut} -1 rest)
    endif()
    string(REPLACE "\n" " " paragraph "${paragraph}")
    string(APPEND tolvane_description_en_xml "    <p>${paragraph}</p>\n")
  endwhile()
  string(STRIP "${tolvane_description_en_xml}" tolvane_description_en_xml)
  string(PREPEND tolvane_description_en_xml "    ")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/tolvane.metainfo.xml.in
                 ${PROJECT_BINARY_DIR}/packaging/${tolvane_appstream_id}.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${tolvane_appstream_id}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The icon theme looks for <size>x<size>/apps/tolvane.png.
  foreach(size 16 24 32 48 64 128 256)
    if(size EQUAL 48)
      set(icon_file ${PROJECT_SOURCE_DIR}/ui/qt/tolvane.png)
    else()
      set(icon_file ${PROJECT_SOURCE_DIR}/ui/qt/icons/tolvane_${size}.png)
    endif()
    install(FILES ${icon_file}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tolvane.png)
  endforeach()
endif()

# The package carries the version the program shows (cmake/version.cmake).

set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "Vurla")
set(CPACK_PACKAGE_VERSION ${TOLVANE_SHOWN_VERSION})
set(CPACK_PACKAGE_CONTACT "${tolvane_maintainer}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "gathers the files of one kind from a folder tree into one folder")
set(CPACK_PACKAGE_DESCRIPTION "${tolvane_description_en}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vurla.example.com")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tolvane)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${tolvane_maintainer}")
set(CPACK_DEBIAN_PACKAGE_VERSION ${tolvane_shown_version})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps reads the libraries the binary links; without it, name the
# Qt 6 and C++ runtime packages of Debian 12 by hand.
find_program(TOLVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TOLVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libstdc++6 (>= 12), libc6")
endif()
# The window's captions are Chinese: a font with their glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")

if(NOT CPACK_GENERATOR)
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
  else()
    set(CPACK_GENERATOR DEB)
  endif()
endif()
include(CPack)
