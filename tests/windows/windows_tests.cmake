# The Windows build's tests under wine64, in a wine prefix of the build folder's own that the
# build prepares once, with plain user folders where wine would link them to the home folder.

set(QJ_WINE ${CMAKE_CROSSCOMPILING_EMULATOR})
set(QJ_WINE_READY ${QJ_WINEPREFIX}/qj-prepared)
find_program(QJ_WINESERVER NAMES wineserver wineserver64 PATHS /usr/lib/wine REQUIRED)
add_custom_command(OUTPUT ${QJ_WINE_READY}
  COMMAND ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh ${QJ_WINEPREFIX} ${QJ_WINESERVER} ${QJ_WINE}
  COMMAND ${CMAKE_COMMAND} -E touch ${QJ_WINE_READY}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/wine-prefix.sh
  COMMENT "Preparing the wine prefix ${QJ_WINEPREFIX}" VERBATIM)
add_custom_target(qjwineprefix ALL DEPENDS ${QJ_WINE_READY})
# The unit tests are listed by running them, which needs the prefix. The core they link reads
# its texts from the string table resource.
add_dependencies(qjtests qjwineprefix)
target_sources(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/src/res/win32/strings.rc)
# The module tests load QJIntp32.dll from beside the test program and read its version.
add_dependencies(qjtests QJIntp32)
target_link_libraries(qjtests PRIVATE version)

# The file library's names beside the system's own comparison of names.
target_sources(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/modules/pvwfile/win32/names.cpp)
target_include_directories(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/modules)

# qjintp.exe as a command that the script drivers run like the Linux host.
list(JOIN QJ_WINE " " QJ_WINE_TEXT)
file(GENERATE OUTPUT ${QJ_QJINTP_COMMAND}
  CONTENT "#!/bin/sh\nexec ${QJ_WINE_TEXT} $<TARGET_FILE:qjintp> \"$@\"\n"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
                   WORLD_EXECUTE)

# regsvr32 and cscript take paths as Windows names them: wine shows the root as drive Z:.
string(REPLACE "/" "\\" QJ_MODULE_WINPATH "Z:${CMAKE_BINARY_DIR}/bin/QJIntp32.dll")
string(REPLACE "/" "\\" QJ_CLIENT_WINPATH "Z:${CMAKE_CURRENT_SOURCE_DIR}/windows/client.vbs")
add_test(NAME windows_regsvr32 COMMAND ${QJ_WINE} regsvr32 /s ${QJ_MODULE_WINPATH})
# Alone: a program that wine starts while regsvr32 writes the registry of a fresh prefix has
# been seen to end at once with status 1 and nothing on stderr.
set_tests_properties(windows_regsvr32 PROPERTIES FIXTURES_SETUP qjregistered RUN_SERIAL ON)

# The worked examples, and the cases of what wine brings (windows.cases), which need the class
# registered; qjprintargs.exe shows the words a program receives.
add_executable(qjprintargs windows/print_args.cpp)
add_test(NAME windows_system_objects
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/scripts/run_cases.py ${QJ_QJINTP_COMMAND}
                 ${CMAKE_CURRENT_SOURCE_DIR}/windows/windows.cases)
set_tests_properties(qjintp_cases windows_system_objects PROPERTIES
                     FIXTURES_REQUIRED qjregistered)
# A real automation client: a VBScript run by wine's cscript.
add_test(NAME windows_cscript_client
         COMMAND ${QJ_WINE} cscript //nologo ${QJ_CLIENT_WINPATH})
set_tests_properties(windows_cscript_client PROPERTIES FIXTURES_REQUIRED qjregistered
                     PASS_REGULAR_EXPRESSION "client: all passed" FAIL_REGULAR_EXPRESSION "FAIL")

# The environment module's built-ins on a store file that the script makes.
add_test(NAME windows_env_builtins
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/scripts/run_cases.py ${QJ_QJINTP_COMMAND}
                 ${CMAKE_CURRENT_SOURCE_DIR}/env/builtins.cases)
set_tests_properties(windows_env_builtins PROPERTIES ENVIRONMENT "QJ_ENV_FILE=./env.ini;QJLg=de")

# The German language module: its string table against the table it is made from, and runs of
# qjintp.exe with the language home of the build, where the host writes the texts in the ANSI
# code page (windows-1252 for German, as wine has it for LC_ALL=C).
target_sources(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/lang/de/strings_de.cpp)
target_include_directories(qjtests PRIVATE ${PROJECT_SOURCE_DIR}/lang)
add_dependencies(qjtests qjlang_de)
string(REPLACE "/" "\\" QJ_HOME_WINPATH "Z:${CMAKE_BINARY_DIR}/qjhome")
add_test(NAME windows_translated
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/lang/run_translated.sh ${QJ_QJINTP_COMMAND}
                 ${QJ_HOME_WINPATH} WINDOWS-1252)

# The file library under wine, on what Windows shows of files, and a program that only the
# current folder holds.
add_test(NAME windows_files COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/windows/run_files.sh
                                    ${QJ_QJINTP_COMMAND} $<TARGET_FILE:qjprintargs>)
