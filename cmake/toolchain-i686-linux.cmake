# 32-bit x86 Linux build with the host's g++ (-m32, from g++-multilib): the
# primitives and their tests only, run through qemu-i386 so that the 32-bit
# kernels are checked on any 64-bit host, whether or not its kernel runs
# 32-bit programs. -msse2 -mfpmath=sse come from flags.cmake.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
find_program(VTX_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VTX_QEMU_I386})
