# Cross-build for 64-bit Windows with mingw-w64 (its POSIX thread model, for std::thread);
# programs built here run under wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QJ_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QJ_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QJ_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QJ_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QJ_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and the host run through wine's 64-bit loader, in a wine prefix of the build
# folder's own, quietly, and without the .NET and HTML engines whose installers would ask.
# wine sees an empty home folder of the build's own: a prefix it makes links its user folders
# to the home folder, and writes menu entries there, so neither ever reaches the real one.
find_program(QJ_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QJ_WINE64)
  set(QJ_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(QJ_WINEHOME ${CMAKE_BINARY_DIR}/winehome)
  file(MAKE_DIRECTORY ${QJ_WINEHOME})
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env -u XDG_CONFIG_HOME -u XDG_DATA_HOME
      HOME=${QJ_WINEHOME} WINEPREFIX=${QJ_WINEPREFIX} WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml= ${QJ_WINE64})
endif()

# The runtime libraries go into every module and program, so nothing but the system's own
# DLLs and ours must be found when they load.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Import libraries that link entries by ordinal are made with dlltool.
set(CMAKE_DLLTOOL ${QJ_MINGW_PREFIX}-dlltool)
