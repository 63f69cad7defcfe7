# Cross-builds the program and its tests as 64-bit Windows programs with Debian's
# MinGW-w64 (the POSIX-thread variants: GoogleTest needs std::mutex), and runs
# the tests under Wine with a prefix of their own inside the build folder.
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every test program through this: wine64 with a quiet log and a
# private prefix (created on first use) under the build folder.
set(TOLVANE_WINE "/usr/lib/wine/wine64" CACHE FILEPATH "The Wine loader that runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${TOLVANE_WINE};${CMAKE_BINARY_DIR}/wineprefix")
