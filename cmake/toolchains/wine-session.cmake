# Runs the tests of a cross build under wine inside one private wine session per build tree:
# wine64 in a 64-bit prefix for x86_64, the 32-bit wine in a 32-bit prefix for i686. Included
# from tests/CMakeLists.txt when the toolchain names an emulator.
#
# Every test program goes through build/wine/run, which starts the session when none is
# up; the CTest fixture "wine_session" starts it before the first test and ends it after
# the last, so no wine process outlives a test run. The prefix lives in the build tree:
# ~/.wine is never touched.

set(FEROLANT_WINEPREFIX ${PROJECT_BINARY_DIR}/wine/prefix
    CACHE PATH "Private wine prefix of this build's tests")

# The host's home ground: a Czech system, whose ANSI code page is Windows-1250.
set(FEROLANT_WINE_LOCALE cs_CZ.UTF-8 CACHE STRING "Locale of the programs run under wine")

set(_wine_session ${CMAKE_CURRENT_LIST_DIR}/wine-session)
set(_wine_run ${PROJECT_BINARY_DIR}/wine/run)
list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 _wine)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_wine_arch win32)
else()
  set(_wine_arch win64)
endif()
file(CONFIGURE OUTPUT ${_wine_run} @ONLY CONTENT [=[#!/bin/sh
# Generated: runs a program of this build under its private wine session.
WINEPREFIX='@FEROLANT_WINEPREFIX@' WINE='@_wine@' WINEARCH='@_wine_arch@' \
  WINE_LOCALE='@FEROLANT_WINE_LOCALE@' exec '@_wine_session@' run "$@"
]=])
file(CHMOD ${_wine_run} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Tests that are told where a built file lies get a path the program under wine can open:
# wine's drive Z: is the root of this file system.
set(FEROLANT_TEST_PATH_ROOT "Z:")

# Targets created from here on run through the session.
set(CMAKE_CROSSCOMPILING_EMULATOR ${_wine_run})

add_test(NAME wine_session_start COMMAND ${_wine_session} start)
add_test(NAME wine_session_stop COMMAND ${_wine_session} stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session)
set_tests_properties(wine_session_start wine_session_stop
                     PROPERTIES ENVIRONMENT "WINEPREFIX=${FEROLANT_WINEPREFIX};WINE=${_wine};WINEARCH=${_wine_arch}")

# Listing a program's tests needs wine as well, so it happens when CTest starts rather than
# after each link; every discovered test needs the session.
set(FEROLANT_GTEST_DISCOVERY_OPTIONS DISCOVERY_MODE PRE_TEST PROPERTIES FIXTURES_REQUIRED
                                     wine_session)
