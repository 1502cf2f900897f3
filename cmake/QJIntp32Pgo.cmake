# Profile-guided optimisation in two stages (QJ_PGO, the release-pgo preset). The first stage is
# a build of its own in pgo/stage1 of this build folder: qjintp with the interpreter and its
# modules, compiled to count how often each branch goes which way. Its qjintp
# runs the training scripts (cmake/QJIntp32PgoTrain.cmake), which leaves the counts in
# pgo/profile; this build compiles every target after that, laid out for the branches the
# counts show taken. Code the training never reached is optimised as without a profile.
#
# The profile files are named by the object files' paths below each stage's build folder,
# which are the same in both. Targets the first stage does not build (the tests, the
# benchmarks) find no profile and are compiled as usual.
#
# Included at the top of the project: with QJ_PGO_GENERATE set (in the first stage) it
# instruments; with QJ_PGO on it sets up the first stage and reads the profile, and
# qj_pgo_order() must then be called once every target exists.

set(QJ_PGO_PROFILE_DIR ${PROJECT_BINARY_DIR}/pgo/profile)
set(QJ_PGO_STAGE1_DIR ${PROJECT_BINARY_DIR}/pgo/stage1)

if(QJ_PGO_GENERATE)
  add_compile_options(-fprofile-generate=${QJ_PGO_GENERATE}
                      -fprofile-prefix-path=${PROJECT_BINARY_DIR})
  add_link_options(-fprofile-generate=${QJ_PGO_GENERATE})
  return()
endif()
if(NOT QJ_PGO)
  return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR WIN32)
  message(FATAL_ERROR "QJ_PGO needs GCC on Linux: its profiles are GCC's own")
endif()

include(ExternalProject)
# The first stage builds qjintp and what it links (the interpreter and its modules), again
# whenever this build runs, skipping what has not changed; the files it names here are those
# the training depends on.
set(QJ_PGO_STAGE1_QJINTP ${QJ_PGO_STAGE1_DIR}/bin/qjintp)
set(QJ_PGO_STAGE1_MODULE ${QJ_PGO_STAGE1_DIR}/bin/libQJIntp32.so.${PROJECT_VERSION})
ExternalProject_Add(qjpgo_stage1
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${QJ_PGO_STAGE1_DIR}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
             -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
             -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=${CMAKE_INTERPROCEDURAL_OPTIMIZATION}
             -DQJ_WERROR=${QJ_WERROR} -DQJ_TESTS=OFF -DQJ_BENCH=OFF -DQJ_PGO=OFF
             -DQJ_PGO_GENERATE=${QJ_PGO_PROFILE_DIR}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${QJ_PGO_STAGE1_DIR} --target qjintp
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${QJ_PGO_STAGE1_QJINTP} ${QJ_PGO_STAGE1_MODULE})

file(GLOB QJ_PGO_TRAINING CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/training/*.scr)
set(QJ_PGO_STAMP ${PROJECT_BINARY_DIR}/pgo/trained)
add_custom_command(OUTPUT ${QJ_PGO_STAMP}
  COMMAND ${CMAKE_COMMAND} -DQJINTP=${QJ_PGO_STAGE1_QJINTP} -DPROFILE_DIR=${QJ_PGO_PROFILE_DIR}
          -DWORK_DIR=${PROJECT_BINARY_DIR}/pgo/training -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DSTAMP=${QJ_PGO_STAMP} -P ${PROJECT_SOURCE_DIR}/cmake/QJIntp32PgoTrain.cmake
  DEPENDS qjpgo_stage1 ${QJ_PGO_STAGE1_QJINTP} ${QJ_PGO_STAGE1_MODULE} ${QJ_PGO_TRAINING}
          ${PROJECT_SOURCE_DIR}/cmake/QJIntp32PgoTrain.cmake
  COMMENT "Training the instrumented first stage"
  VERBATIM)
add_custom_target(qjpgo_profile DEPENDS ${QJ_PGO_STAMP})

# A target the first stage did not build has no profile, which is no fault; nor is a function
# changed since the profile was taken, which is optimised as without one until the next training.
add_compile_options(-fprofile-use=${QJ_PGO_PROFILE_DIR} -fprofile-partial-training
                    -fprofile-prefix-path=${PROJECT_BINARY_DIR} -Wno-missing-profile
                    -Wno-error=coverage-mismatch)

# Every target of the directory and those below it.
function(qj_pgo_targets_below dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    qj_pgo_targets_below(${subdir} below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Nothing of this build compiles before the profile is complete.
function(qj_pgo_order)
  qj_pgo_targets_below(${PROJECT_SOURCE_DIR} targets)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT target MATCHES "^qjpgo_")
      add_dependencies(${target} qjpgo_profile)
    endif()
  endforeach()
endfunction()
