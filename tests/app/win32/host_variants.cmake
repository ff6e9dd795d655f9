# The host built with its traffic log, next to the stand-in library in the
# same folder as ferolant.exe; a test names its log file in
# FEROLANT_TEST_LOG_FILE. The whole app folder is compiled anew, so the switch
# reaches the entry wherever in the folder it is read.
file(GLOB logging_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/app/*.cpp
     ${PROJECT_SOURCE_DIR}/src/app/win32/*.cpp)
add_executable(ferolant_logging WIN32 ${logging_sources})
target_link_options(ferolant_logging PRIVATE -municode)
target_link_libraries(ferolant_logging PRIVATE ferolant_channel ferolant_operations ferolant_json
                      ferolant_platform)
target_compile_definitions(ferolant_logging PRIVATE FEROLANT_TRAFFIC_LOG=1
                           FEROLANT_TEST_LOG_FILE_VARIABLE="FEROLANT_TEST_LOG_FILE")

add_dependencies(ferolant_app_tests ferolant_logging tavrin)
target_compile_definitions(ferolant_app_tests PRIVATE
  FEROLANT_LOGGING_EXECUTABLE="${FEROLANT_TEST_PATH_ROOT}$<TARGET_FILE:ferolant_logging>")
