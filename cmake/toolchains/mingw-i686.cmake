# 32-bit Windows build, the host's real target. Its tests run here under the 32-bit wine
# (Debian's wine32:i386) in a 32-bit prefix (see wine-session.cmake); without it only the
# checks of the built files run.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FEROLANT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# The 32-bit loader itself: /usr/bin/wine is a wrapper that falls back to wine64, which
# cannot run a 32-bit program in a 32-bit prefix.
find_program(FEROLANT_WINE32 NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(FEROLANT_WINE32)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FEROLANT_WINE32})
endif()
