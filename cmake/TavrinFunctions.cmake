# The signing library's function names, read from their one list (the rows of
# src/operations/tavrin_functions.h), and the export lists made from them for the libraries
# that define the functions:
#   FEROLANT_TAVRIN_FUNCTIONS   the names, in the order of the rows
#   FEROLANT_TAVRIN_EXPORTS_MAP a GNU ld version script that exports them and nothing else
#   FEROLANT_TAVRIN_DEF         a module-definition file that exports them under their plain names
set(_tavrin_list ${PROJECT_SOURCE_DIR}/src/operations/tavrin_functions.h)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_tavrin_list})
# Read whole: the rows end in backslashes, which would escape a list's separators.
file(READ ${_tavrin_list} _tavrin_text)
string(REGEX MATCHALL "\n *X\\([A-Za-z0-9_]+," _tavrin_rows "${_tavrin_text}")
set(FEROLANT_TAVRIN_FUNCTIONS)
foreach(row IN LISTS _tavrin_rows)
  string(REGEX REPLACE "^\n *X\\(([A-Za-z0-9_]+),$" "\\1" name "${row}")
  list(APPEND FEROLANT_TAVRIN_FUNCTIONS ${name})
endforeach()
if(NOT FEROLANT_TAVRIN_FUNCTIONS)
  message(FATAL_ERROR "No function rows found in ${_tavrin_list}")
endif()

list(JOIN FEROLANT_TAVRIN_FUNCTIONS ";\n    " _map_names)
set(FEROLANT_TAVRIN_EXPORTS_MAP ${PROJECT_BINARY_DIR}/tavrin/exports.map)
file(CONFIGURE OUTPUT ${FEROLANT_TAVRIN_EXPORTS_MAP} CONTENT "{\n  global:\n    ${_map_names};\n  local:\n    *;\n};\n")

# On both architectures: the 32-bit __stdcall decoration is stripped at link time.
list(JOIN FEROLANT_TAVRIN_FUNCTIONS "\n  " _def_names)
set(FEROLANT_TAVRIN_DEF ${PROJECT_BINARY_DIR}/tavrin/Tavrin.def)
file(CONFIGURE OUTPUT ${FEROLANT_TAVRIN_DEF} CONTENT "LIBRARY Tavrin.dll\nEXPORTS\n  ${_def_names}\n")
