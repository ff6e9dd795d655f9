# Hosts built differently for the whole-program tests, all next to a signing
# library of their own:
#   bin/ferolant_logging        - the traffic log built in; a test names its
#                                 log file in FEROLANT_TEST_LOG_FILE.
#   bin/no-library/ferolant     - a host whose folder holds no library.
#   bin/broken-library/ferolant - a host next to a library lacking functions.
# The whole app folder is compiled anew, so the switch reaches the entry
# wherever in the folder it is read.
file(GLOB logging_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/app/*.cpp
     ${PROJECT_SOURCE_DIR}/src/app/posix/*.cpp)
add_executable(ferolant_logging ${logging_sources})
target_link_libraries(ferolant_logging PRIVATE ferolant_channel ferolant_operations ferolant_json
                      ferolant_platform)
target_compile_definitions(ferolant_logging PRIVATE FEROLANT_TRAFFIC_LOG=1
                           FEROLANT_TEST_LOG_FILE_VARIABLE="FEROLANT_TEST_LOG_FILE")

set(variants_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
add_library(tavrin_lacking SHARED ${CMAKE_CURRENT_LIST_DIR}/broken_library/tavrin_lacking.cpp)
set_target_properties(tavrin_lacking PROPERTIES
  OUTPUT_NAME tavrin CXX_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY ${variants_dir}/broken-library)

add_custom_target(ferolant_host_variants
  COMMAND ${CMAKE_COMMAND} -E make_directory ${variants_dir}/no-library ${variants_dir}/broken-library
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ferolant> ${variants_dir}/no-library/
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ferolant> ${variants_dir}/broken-library/
  DEPENDS ferolant tavrin_lacking
  COMMENT "Copying the host into folders without a usable signing library")

add_dependencies(ferolant_app_tests ferolant_logging ferolant_host_variants tavrin)
target_compile_definitions(ferolant_app_tests PRIVATE
  FEROLANT_LOGGING_EXECUTABLE="$<TARGET_FILE:ferolant_logging>"
  FEROLANT_NO_LIBRARY_EXECUTABLE="${variants_dir}/no-library/ferolant"
  FEROLANT_BROKEN_LIBRARY_EXECUTABLE="${variants_dir}/broken-library/ferolant")
