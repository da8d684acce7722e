# Compiler flags shared by every target.
#
# Floating point must give the same bits on every build: no fused
# multiply-add contraction, and SSE arithmetic instead of x87 on i686.
add_compile_options(-Wall -Wextra -ffp-contract=off)
if(VTX_WERROR)
  add_compile_options(-Werror)
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32)
  set(VTX_WIDE_VECTOR_FLAGS "-Wa,-muse-unaligned-vector-move")
else()
  set(VTX_WIDE_VECTOR_FLAGS "")
endif()

# What the compiler and the target offer for the vector kernels.
include(CheckCXXCompilerFlag)
check_cxx_compiler_flag(-msse2 VTX_COMPILER_HAS_SSE2)
check_cxx_compiler_flag(-mavx2 VTX_COMPILER_HAS_AVX2)
check_cxx_compiler_flag("-mavx512f -mavx512bw -mavx512vbmi" VTX_COMPILER_HAS_AVX512)
set(VTX_X86 OFF)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
  set(VTX_X86 ON)
endif()
set(VTX_X86_64 OFF)
if(VTX_X86 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VTX_X86_64 ON)
endif()

# Per-file instruction-set flags, chosen by the source file's suffix:
# *_sse2.cpp, *_sse3.cpp, *_avx2.cpp, *_avx512.cpp. The rest of the library
# stays at the baseline so that the plain kernels run on any processor of the
# family. mingw-w64 GCC does not align the stack for spilled 32- and 64-byte
# vectors, so its assembler is told to emit unaligned moves for them.
function(vtx_target_simd_sources target)
  foreach(src IN LISTS ARGN)
    if(src MATCHES "_sse2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-msse2")
    elseif(src MATCHES "_sse3\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-msse3")
    elseif(src MATCHES "_avx2\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2;${VTX_WIDE_VECTOR_FLAGS}")
    elseif(src MATCHES "_avx512\\.cpp$")
      set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS
        "-mavx512f;-mavx512bw;-mavx512vbmi;${VTX_WIDE_VECTOR_FLAGS}")
    endif()
    target_sources(${target} PRIVATE ${src})
  endforeach()
endfunction()
