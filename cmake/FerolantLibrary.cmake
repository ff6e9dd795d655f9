# One static library per subsystem folder. Sources are picked up by glob so
# that adding a file to a subsystem never needs an edit of a shared list.
function(ferolant_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.c")
    list(APPEND sources ${found})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# One GoogleTest executable per tests/ subfolder (and the SUBDIRS named),
# registered with CTest.
function(ferolant_test_suite name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;SUBDIRS" ${ARGN})
  set(sources)
  foreach(folder IN ITEMS "${dir}" LISTS ARG_SUBDIRS)
    file(GLOB found CONFIGURE_DEPENDS "${folder}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  # A cross build without an emulator builds its tests but cannot list or run them.
  if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 ${FEROLANT_GTEST_DISCOVERY_OPTIONS})
  endif()
endfunction()

# Binaries loaded at every start of the host: relative relocations packed into
# a bitmap (DT_RELR) are a fraction of the table the dynamic linker would read
# and walk otherwise, and -O1 gives it a better hashed symbol table. Only where
# the linker knows the option (binutils 2.38, a C library that reads RELR).
include(CheckLinkerFlag)
check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" FEROLANT_LINKER_PACKS_RELOCS)
function(ferolant_compact_relocations target)
  if(FEROLANT_LINKER_PACKS_RELOCS)
    target_link_options(${target} PRIVATE -Wl,-O1 -Wl,-z,pack-relative-relocs)
  endif()
endfunction()

# The .cpp files that go into a tool's library: those of the current folder but its `*_main.cpp`
# (each is a program), and those of this platform's subfolder, `posix/` or `win32/`.
function(ferolant_tool_sources out)
  if(WIN32)
    set(platform_dir win32)
  else()
    set(platform_dir posix)
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${platform_dir}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
