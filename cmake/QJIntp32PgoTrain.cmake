# The training run of the profile-guided build (see QJIntp32Pgo.cmake): the instrumented qjintp
# runs the scripts of bench/training, each without and with tracing, and checks the script
# cases of the tests (option C); the counts it leaves in PROFILE_DIR are those of these runs
# alone.
#
#   cmake -DQJINTP=... -DPROFILE_DIR=... -DWORK_DIR=... -DSOURCE_DIR=... -DSTAMP=...
#         -P QJIntp32PgoTrain.cmake
#
# Every run works in WORK_DIR, which is made afresh, with its configuration files there and its
# trace and log written to /dev/null: nothing outside the build folder is read or written but
# the scripts themselves.
# A case is only checked (option C), so that no built-in acts, whatever the case does.
foreach(var QJINTP PROFILE_DIR WORK_DIR SOURCE_DIR STAMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "QJIntp32PgoTrain.cmake needs -D${var}=...")
  endif()
endforeach()

# Counts add up across runs: a profile of an earlier build would be counted again.
file(REMOVE_RECURSE ${PROFILE_DIR} ${WORK_DIR})
file(MAKE_DIRECTORY ${PROFILE_DIR} ${WORK_DIR}/config)

# Runs qjintp with the arguments in the folder; a failure stops the training only when
# must_pass is set (a case may be meant to fail).
function(train dir must_pass)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C XDG_CONFIG_HOME=${WORK_DIR}/config
            QJ_ENV_FILE=${WORK_DIR}/config/env.ini QJ_CLASSES=${WORK_DIR}/config/classes
            QJ_TRACE=/dev/null QJ_LOG=/dev/null ${QJINTP} ${ARGN}
    WORKING_DIRECTORY ${dir}
    RESULT_VARIABLE result
    OUTPUT_QUIET ERROR_QUIET
    TIMEOUT 300)
  if(must_pass AND NOT result EQUAL 0)
    message(FATAL_ERROR "training: qjintp ${ARGN} ended with ${result}")
  endif()
endfunction()

file(GLOB scripts ${SOURCE_DIR}/bench/training/*.scr)
foreach(script ${scripts})
  train(${WORK_DIR} TRUE -o NT ${script})
  train(${WORK_DIR} TRUE ${script})
endforeach()

# The script cases of the tests, where they are now: every folder with a case.json and the
# script it names (but those written for Windows), and every script of the case files that
# hold many, each after a "--- script" line up to the next section or case.
set(index 0)
file(GLOB_RECURSE cases ${SOURCE_DIR}/tests/case.json)
list(FILTER cases EXCLUDE REGEX "/windows/")
foreach(case ${cases})
  get_filename_component(case_dir ${case} DIRECTORY)
  file(READ ${case} json)
  string(JSON script ERROR_VARIABLE no_script GET ${json} script)
  if(no_script)
    continue()
  endif()
  math(EXPR index "${index} + 1")
  set(copy ${WORK_DIR}/case${index})
  file(COPY ${case_dir}/ DESTINATION ${copy})
  train(${copy} FALSE -o C ${script})
endforeach()
file(GLOB_RECURSE case_files ${SOURCE_DIR}/tests/*.cases)
foreach(case_file ${case_files})
  file(READ ${case_file} text)
  string(FIND "${text}" "\n--- script\n" start)
  while(start GREATER -1)
    math(EXPR start "${start} + 12")
    string(SUBSTRING "${text}" ${start} -1 text)
    set(script "${text}")
    foreach(marker "\n--- " "\n=== ")
      string(FIND "${script}" "${marker}" end)
      if(end GREATER -1)
        string(SUBSTRING "${script}" 0 ${end} script)
      endif()
    endforeach()
    math(EXPR index "${index} + 1")
    file(MAKE_DIRECTORY ${WORK_DIR}/case${index})
    file(WRITE ${WORK_DIR}/case${index}/t.scr "${script}\n")
    train(${WORK_DIR}/case${index} FALSE -o C t.scr)
    string(FIND "${text}" "\n--- script\n" start)
  endwhile()
endforeach()

file(GLOB profiles ${PROFILE_DIR}/*lexer.cpp.gcda)
if(NOT profiles)
  message(FATAL_ERROR "training: no profile of the lexer in ${PROFILE_DIR}")
endif()
file(TOUCH ${STAMP})
list(LENGTH scripts nScripts)
message(STATUS "training: ${nScripts} scripts run, ${index} cases checked")
