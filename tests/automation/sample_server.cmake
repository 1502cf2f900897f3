# The tests of the POSIX object model load the sample automation server (examples/); on
# Windows the system's own automation is tested instead.
if(WIN32)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/automation_test.cpp
                              PROPERTIES HEADER_FILE_ONLY ON)
  return()
endif()

target_include_directories(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/examples)
add_dependencies(qjtests qjsample_server)
target_compile_definitions(qjtests PRIVATE
  QJ_SAMPLE_SERVER_PATH="$<TARGET_FILE:qjsample_server>")
