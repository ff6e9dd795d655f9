# The programs the native tests run besides the ones they build: each missing one is named with
# the Debian package that brings it, at configure time, rather than as failed tests later.
function(ferolant_check_test_tools)
  set(missing)
  # program  package
  set(tools softhsm2-util softhsm2 pkcs11-tool opensc openssl openssl python3 python3)
  while(tools)
    list(POP_FRONT tools program package)
    find_program(FEROLANT_TOOL_${program} ${program})
    if(NOT FEROLANT_TOOL_${program})
      list(APPEND missing "${program} (Debian package ${package})")
    endif()
  endwhile()
  file(GLOB softhsm_module /usr/lib/*/softhsm/libsofthsm2.so /usr/lib/softhsm/libsofthsm2.so)
  if(NOT softhsm_module)
    list(APPEND missing "libsofthsm2.so (Debian package softhsm2)")
  endif()
  if(missing)
    list(JOIN missing "\n  " shown)
    message(WARNING "The tests need programs this machine lacks, and those that use them will fail:\n  ${shown}\n"
                    "tools/install-deps installs them; -DFEROLANT_BUILD_TESTS=OFF builds without tests.")
  endif()
endfunction()
