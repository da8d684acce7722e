# Shared part of the mingw-w64 toolchain files; VTX_MINGW_TRIPLET is set by
# the including file.
set(CMAKE_C_COMPILER   ${VTX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VTX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${VTX_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VTX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and DLLs carry their runtime: without this they need the mingw
# runtime DLLs beside them and fail to load under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the test programs through the Wine loader of the target's
# bitness. Debian's `wine` command starts the 32-bit loader whenever wine32 is
# installed; that loader runs 64-bit programs only by starting the 64-bit one,
# and a 32-bit process that asks for C:\windows\system32\X.exe gets the
# 32-bit X from syswow64. The caller provides the prefix (WINEPREFIX); see
# tools/setup/run-tests.sh.
if(VTX_MINGW_TRIPLET MATCHES "^x86_64")
  find_program(VTX_WINE NAMES wine64 wine PATHS /usr/lib/wine DOC "Wine loader for 64-bit programs")
else()
  find_program(VTX_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH DOC "Wine loader for 32-bit programs")
  find_program(VTX_WINE NAMES wine DOC "Wine loader for 32-bit programs")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${VTX_WINE})
