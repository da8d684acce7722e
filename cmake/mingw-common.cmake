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

# ctest runs the test programs through Wine. The caller provides the prefix
# (WINEPREFIX) and a running wineserver; see tools/setup/run-tests.sh.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
