# Native 32-bit x86 build on a 64-bit Linux (Debian's gcc-multilib and g++-multilib, and the
# :i386 packages of what the build needs), for comparing the code's 32-bit and 64-bit forms
# without wine (bench/run --m32). The same instruction set as the shipped i686 host, and like
# it the programs are not position independent: on 32-bit x86 that costs a register and a call
# in every function that reaches a global, which the host under Windows never pays (its
# executable is relocated at load instead). Shared libraries stay position independent.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse -fno-pie")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse -fno-pie")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -no-pie")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
