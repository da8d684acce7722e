# Cross build for 32-bit Windows with mingw-w64 (posix thread model, which
# GoogleTest needs). Test programs run under Wine (wine32) through ctest.
# -msse2 -mfpmath=sse come from flags.cmake, keyed on CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(VTX_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
