# Installing the program and packing it as a .deb: the window's binary, its
# desktop entry and its icon at every size, the command line and its manual
# page.  Included from the top-level CMakeLists after the front end (ui/qt/
# or ui/win32/), whose `tolvane` target it installs; on Windows that is one
# self-contained tolvane.exe, with the console program tolvane-cli.exe beside it.
if(TOLVANE_CORE_ONLY)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The command line beside the window, with its manual page.
install(TARGETS tolvane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(UNIX AND NOT APPLE)
  # The page names the version in its header, filled in here.
  configure_file(${PROJECT_SOURCE_DIR}/cli/tolvane-cli.1.in ${PROJECT_BINARY_DIR}/cli/tolvane-cli.1
                 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/cli/tolvane-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(UNIX AND NOT APPLE)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/tolvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
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
set(CPACK_PACKAGE_CONTACT "Vurla <packages@vurla.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "gathers the files of one kind from a folder tree into one folder")
set(CPACK_PACKAGE_DESCRIPTION
    "Tolvane lists every file of one kind (.jpg by default) in a folder tree, \
breadth first, and copies them into one destination folder under systematic \
names: a subfolder per source folder and the folder's name with a running \
number, or all in one folder.  The source files stay untouched.  Its window \
is in Simplified Chinese.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vurla.example.com")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Tolvane)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vurla <packages@vurla.example.com>")
set(CPACK_DEBIAN_PACKAGE_VERSION ${tolvane_shown_version})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps reads the libraries the binary links, and adds them to the
# packages named here; without it, name the Qt 6 and C++ runtime packages of
# Debian 12 by hand.  Qt's own words in the window (the message box's
# button, the text boxes' menus) are Chinese only with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
find_program(TOLVANE_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TOLVANE_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), "
         "libqt6core6 (>= 6.4), libstdc++6 (>= 12), libc6")
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
