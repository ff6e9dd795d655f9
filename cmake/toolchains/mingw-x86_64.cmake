# 64-bit Windows build. Its tests run here under wine64 (see wine-session.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FEROLANT_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

find_program(FEROLANT_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(FEROLANT_WINE64 NAMES wine64)
if(FEROLANT_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${FEROLANT_WINE64})
endif()
