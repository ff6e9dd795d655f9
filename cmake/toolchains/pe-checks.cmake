# Checks of the built Windows files themselves, run by CTest in every cross build (they need
# objdump, not wine): the stand-in library's export table, the host's subsystem and word size,
# SSE2 code in the host, and no compiler runtime DLL to ship.
set(_check_pe ${CMAKE_CURRENT_LIST_DIR}/check-pe.cmake)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_pe_magic PE32)
else()
  set(_pe_magic "PE32\\+")
endif()

if(TARGET tavrin)
  add_test(NAME pe_tavrin_exports
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPE_FILE=$<TARGET_FILE:tavrin>
                   -DEXPECT_MAGIC=${_pe_magic}
                   "-DEXPECT_EXPORTS=${FEROLANT_TAVRIN_FUNCTIONS}"
                   -P ${_check_pe})
endif()
if(TARGET ferolant)
  add_test(NAME pe_ferolant_gui
           COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPE_FILE=$<TARGET_FILE:ferolant>
                   -DEXPECT_MAGIC=${_pe_magic} "-DEXPECT_SUBSYSTEM=Windows GUI" -DEXPECT_SSE2=ON
                   -P ${_check_pe})
endif()
