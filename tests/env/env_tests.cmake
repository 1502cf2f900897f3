# The environment module on real store files, and scripts that drive its built-ins.
add_executable(qjenvtests env/env_module_test.cpp)
target_include_directories(qjenvtests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qjenvtests PRIVATE qjenv qjcommon GTest::gtest GTest::gtest_main)
gtest_discover_tests(qjenvtests DISCOVERY_TIMEOUT 60)
add_test(NAME qjintp_env_builtins
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/env/run_env_script.sh $<TARGET_FILE:qjintp>
                 ${CMAKE_CURRENT_SOURCE_DIR}/env/builtins)
