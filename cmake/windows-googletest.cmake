# GoogleTest for the Windows build, compiled from its sources with the same compiler. Sets
# GTest_FOUND, or QJ_GTEST_MISSING to what is not there.
set(QJ_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(GTest_FOUND FALSE)
if(NOT EXISTS ${QJ_GOOGLETEST_SOURCE}/CMakeLists.txt)
  set(QJ_GTEST_MISSING "GoogleTest's sources in ${QJ_GOOGLETEST_SOURCE} (Debian: googletest)")
elseif(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  # The tests are listed and run by running them, which takes wine.
  set(QJ_GTEST_MISSING "wine64, which runs the Windows tests (Debian: wine64)")
else()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QJ_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # It names its targets GTest::gtest and GTest::gtest_main itself.
  set(GTest_FOUND TRUE)
endif()
