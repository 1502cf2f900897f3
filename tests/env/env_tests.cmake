# The environment module on real store files, and a script that drives its built-ins.
add_executable(qjenvtests env/env_module_test.cpp)
target_include_directories(qjenvtests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qjenvtests PRIVATE qjenv qjcommon GTest::gtest GTest::gtest_main)
gtest_discover_tests(qjenvtests DISCOVERY_TIMEOUT 60)
add_test(NAME qjintp_env_builtins
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/scripts/run_cases.py $<TARGET_FILE:qjintp>
                 ${CMAKE_CURRENT_SOURCE_DIR}/env/builtins.cases)
set_tests_properties(qjintp_env_builtins PROPERTIES ENVIRONMENT "QJ_ENV_FILE=./env.ini;QJLg=de")
