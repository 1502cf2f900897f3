# The sample automation server that the automation tests load through a registry file. It is
# built like a third party's server: the object model's header, its variant and registration
# helpers compiled in, and only the library entries exported. The tests of the POSIX object model need it; on
# Windows the system's own automation is tested instead.
if(WIN32)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/automation_test.cpp
                              PROPERTIES HEADER_FILE_ONLY ON)
  return()
endif()

add_library(qjsample_server SHARED
  ${CMAKE_CURRENT_LIST_DIR}/sample_server/sample_server.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/posix/variant.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/posix/class_registry.cpp)
target_include_directories(qjsample_server PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qjsample_server PRIVATE qjcommon ${CMAKE_DL_LIBS})
set_target_properties(qjsample_server PROPERTIES CXX_VISIBILITY_PRESET hidden)

add_dependencies(qjtests qjsample_server)
target_compile_definitions(qjtests PRIVATE
  QJ_SAMPLE_SERVER_PATH="$<TARGET_FILE:qjsample_server>")
