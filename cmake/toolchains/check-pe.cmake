# Checks a built Windows executable or library with objdump -p:
#   cmake -DOBJDUMP=… -DPE_FILE=… [-DEXPECT_MAGIC=PE32] [-DEXPECT_SUBSYSTEM="Windows GUI"]
#         [-DEXPECT_EXPORTS=a;b;…] [-DEXPECT_SSE2=ON] -P check-pe.cmake
# Always: the file imports no compiler runtime DLL, since none ships beside the host.
# EXPECT_EXPORTS: the export table holds exactly these names, undecorated.
# EXPECT_SSE2: the code holds SSE2 vector instructions (the reader's and the escapers' scans),
# which a build for the compiler's default 32-bit processor leaves out.
foreach(required OBJDUMP PE_FILE)
  if(NOT ${required})
    message(FATAL_ERROR "check-pe: ${required} is not set")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${PE_FILE} OUTPUT_VARIABLE dump RESULT_VARIABLE failed
                ERROR_VARIABLE errors)
if(failed)
  message(FATAL_ERROR "check-pe: ${OBJDUMP} -p ${PE_FILE} failed: ${errors}")
endif()
get_filename_component(shown ${PE_FILE} NAME)
set(problems)

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" lower)
  if(lower MATCHES "^(libstdc\\+\\+|libgcc|libwinpthread|libssp|libgomp)")
    list(APPEND problems "imports the compiler runtime ${dll}")
  endif()
endforeach()

if(EXPECT_MAGIC)
  if(NOT dump MATCHES "\nMagic[\t ]+[0-9a-fA-F]+[\t ]+\\(${EXPECT_MAGIC}\\)")
    list(APPEND problems "is not ${EXPECT_MAGIC}")
  endif()
endif()

if(EXPECT_SUBSYSTEM)
  if(NOT dump MATCHES "\nSubsystem[\t ]+[0-9a-fA-F]+[\t ]+\\(${EXPECT_SUBSYSTEM}\\)")
    list(APPEND problems "is not built for the ${EXPECT_SUBSYSTEM} subsystem")
  endif()
endif()

if(DEFINED EXPECT_EXPORTS)
  # The name table: lines "[   n] Name" after "[Ordinal/Name Pointer] Table".
  string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)*" table "${dump}")
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" entries "${table}")
  set(exports)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE "^\\[ *[0-9]+\\] +" "" name "${entry}")
    list(APPEND exports "${name}")
  endforeach()
  list(SORT exports)
  set(expected ${EXPECT_EXPORTS})
  list(SORT expected)
  if(NOT exports STREQUAL expected)
    list(APPEND problems "exports [${exports}] instead of [${expected}]")
  endif()
endif()

if(EXPECT_SSE2)
  execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${PE_FILE} OUTPUT_VARIABLE code
                  RESULT_VARIABLE failed ERROR_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "check-pe: ${OBJDUMP} -d ${PE_FILE} failed: ${errors}")
  endif()
  # A byte mask of a whole vector register exists from SSE2 on (before it, of MMX ones only).
  string(FIND "${code}" "pmovmskb %xmm" at)
  if(at EQUAL -1)
    list(APPEND problems "holds no SSE2 code")
  endif()
endif()

if(problems)
  list(JOIN problems "; " text)
  message(FATAL_ERROR "${shown}: ${text}")
endif()
message(STATUS "${shown}: fine")
