# Shared part of the mingw-w64 cross toolchains; included by the per-architecture files
# after they set FEROLANT_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers carry std::thread and std::mutex on winpthreads.
set(CMAKE_C_COMPILER ${FEROLANT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FEROLANT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FEROLANT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FEROLANT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything the host needs is linked in, so the folder ships the executable and
# Tavrin.dll alone: no libgcc, libstdc++ or winpthread DLLs beside them.
set(static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${static_runtime}")
unset(static_runtime)
