# 32-bit Windows build, the host's real target. Its tests run here under the 32-bit wine
# (Debian's wine32:i386) in a 32-bit prefix (see wine-session.cmake); without it only the
# checks of the built files run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FEROLANT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# SSE2 as the baseline: every browser that can load the extension needs it, and so does every
# Windows since 8; without it the vector scans of the reader and the escapers are compiled out
# of the shipped host. Floating point goes to SSE as well, so that numbers round as on x86_64.
# 32-bit Windows promises a callback (thread start, window procedure, timer and enum callbacks)
# only a 4-byte aligned stack, while GCC assumes 16 bytes for its vector spills: every function
# that keeps such a spill realigns its own stack. This GCC does that by default once SSE is on;
# it is written out so that the host does not depend on that default.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")

# The 32-bit loader itself: /usr/bin/wine is a wrapper that falls back to wine64, which
# cannot run a 32-bit program in a 32-bit prefix.
find_program(FEROLANT_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(FEROLANT_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FEROLANT_WINE32})
endif()
