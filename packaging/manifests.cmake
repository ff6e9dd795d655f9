# The host manifests a package installs, written at configure time from the cache variables.
# ferolant-register writes the same files on a user's machine.

# Names that fail here would give a package no browser accepts.
if(NOT FEROLANT_HOST_NAME MATCHES "^[a-z0-9_]+(\\.[a-z0-9_]+)*$")
  message(FATAL_ERROR "FEROLANT_HOST_NAME '${FEROLANT_HOST_NAME}': use lower-case letters, digits, '_' and single dots inside")
endif()
set(FEROLANT_PACKAGE_ORIGINS)
foreach(id IN LISTS FEROLANT_EXTENSION_IDS)
  set(bare "${id}")
  if(id MATCHES "^chrome-extension://([^/]*)/$")
    set(bare "${CMAKE_MATCH_1}")
  endif()
  string(LENGTH "${bare}" length)
  if(NOT bare MATCHES "^[a-p]+$" OR NOT length EQUAL 32)
    message(FATAL_ERROR "FEROLANT_EXTENSION_IDS: '${id}' is no extension id: expected 32 letters a-p, or chrome-extension://ID/")
  endif()
  list(APPEND FEROLANT_PACKAGE_ORIGINS "chrome-extension://${bare}/")
endforeach()
foreach(id IN LISTS FEROLANT_FIREFOX_IDS)
  if(NOT id MATCHES "^([A-Za-z0-9._+-]*@[A-Za-z0-9._-]+|{[0-9a-fA-F-]+})$")
    message(FATAL_ERROR "FEROLANT_FIREFOX_IDS: '${id}' is no Firefox extension id: expected name@domain or {GUID}")
  endif()
endforeach()

# Set when no extension may use the host: the package targets then stop with this message.
set(FEROLANT_PACKAGE_REFUSAL)
if(NOT FEROLANT_PACKAGE_ORIGINS AND NOT FEROLANT_FIREFOX_IDS)
  set(FEROLANT_PACKAGE_REFUSAL
      "a package needs the extensions that may start the host: configure with -DFEROLANT_EXTENSION_IDS=<id>[;<id>...] and/or -DFEROLANT_FIREFOX_IDS=<id>[;<id>...]")
endif()

function(_ferolant_json_list out)
  set(items)
  foreach(item IN LISTS ARGN)
    list(APPEND items "\n    \"${item}\"")
  endforeach()
  list(JOIN items "," joined)
  set(${out} "[${joined}\n  ]" PARENT_SCOPE)
endfunction()

# Writes <folder>/chromium.json and/or <folder>/firefox.json (for the families that have ids),
# naming host_path; sets <families_out> to the families written.
function(ferolant_write_manifests folder host_path families_out)
  string(REPLACE "\\" "\\\\" path_json "${host_path}")
  set(head "{\n  \"name\": \"${FEROLANT_HOST_NAME}\",\n  \"description\": \"Ferolant: signing for the browser through the Tavrin library\",\n  \"path\": \"${path_json}\",\n  \"type\": \"stdio\",\n")
  set(families)
  if(FEROLANT_PACKAGE_ORIGINS)
    _ferolant_json_list(origins ${FEROLANT_PACKAGE_ORIGINS})
    file(WRITE ${folder}/chromium.json "${head}  \"allowed_origins\": ${origins}\n}\n")
    list(APPEND families chromium)
  endif()
  if(FEROLANT_FIREFOX_IDS)
    _ferolant_json_list(ids ${FEROLANT_FIREFOX_IDS})
    file(WRITE ${folder}/firefox.json "${head}  \"allowed_extensions\": ${ids}\n}\n")
    list(APPEND families firefox)
  endif()
  set(${families_out} ${families} PARENT_SCOPE)
endfunction()
