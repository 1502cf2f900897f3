# The service the D-Bus object tests talk to on their private bus.
add_executable(qjdbus_test_service ${CMAKE_CURRENT_LIST_DIR}/test_service.cpp)
target_include_directories(qjdbus_test_service PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(qjdbus_test_service PRIVATE PkgConfig::QJ_SDBUS)
add_dependencies(qjtests qjdbus_test_service)
target_compile_definitions(qjtests PRIVATE
                           QJ_DBUS_TEST_SERVICE="$<TARGET_FILE:qjdbus_test_service>")
