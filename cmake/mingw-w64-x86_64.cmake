# Cross-compiles the 64-bit Windows program on Linux with Debian's MinGW-w64
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread
# needs). Tests run under Wine (Debian's wine, wine64):
#   cmake --preset windows && cmake --build --preset windows && ctest --preset windows
# or scripts/build_windows.sh, which also prepares Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Test programs and the program itself run under Wine.
find_program(MERIDIAN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MERIDIAN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MERIDIAN_WINE})
endif()
