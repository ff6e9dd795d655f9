# 32-bit Windows build, the host's real target. Built and linked here; its tests would
# need a 32-bit wine, which this machine does not have.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(FEROLANT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
