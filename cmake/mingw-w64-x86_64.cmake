# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread flavour:
# the win32 flavour has no std::mutex, which GoogleTest and the studyhost
# runtime need). Programs built here run on this machine under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QLX_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QLX_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QLX_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QLX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the cross toolchain only; the host's
# /usr/include would pull in Linux C headers.
set(CMAKE_FIND_ROOT_PATH /usr/${QLX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every program and study library carries its C and C++ runtime and the thread
# library inside, so it needs nothing but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, in a prefix of their own inside the build tree
# and without Wine's debug chatter.
find_program(QLX_WINE NAMES wine wine64 PATHS /usr/lib/wine)
if(QLX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all ${QLX_WINE})
endif()
