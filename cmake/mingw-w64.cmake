# Cross-compiles the 64-bit Windows build with mingw-w64 (posix thread model,
# needed for std::thread and std::mutex). The static Windows builds of zlib,
# libjpeg-turbo, libpng, libtiff and GoogleTest come from scripts/setup.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT TAVIX_MINGW_DEPS)
  if(DEFINED ENV{TAVIX_MINGW_DEPS})
    set(TAVIX_MINGW_DEPS "$ENV{TAVIX_MINGW_DEPS}")
  else()
    set(TAVIX_MINGW_DEPS "$ENV{HOME}/.cache/tavix/mingw-deps")
  endif()
endif()
set(TAVIX_MINGW_DEPS "${TAVIX_MINGW_DEPS}" CACHE PATH "Prefix of the static Windows libraries")

set(CMAKE_FIND_ROOT_PATH "${TAVIX_MINGW_DEPS}" /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
