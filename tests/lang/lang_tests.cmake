# Small language modules of versions 2, 3 and 4, one without a version and a planted one that
# marks its loading, for the tests of the language search; and a translated run of qjintp with
# the German module of the build.
set(QJ_TEST_LANG_VARIANTS v2 v3 v4 none planted)
foreach(variant ${QJ_TEST_LANG_VARIANTS})
  add_library(qjtestlang_${variant} MODULE lang/test_lang_module.cpp)
  target_include_directories(qjtestlang_${variant} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  set_target_properties(qjtestlang_${variant} PROPERTIES CXX_VISIBILITY_PRESET hidden)
  if(variant STREQUAL "planted")
    target_compile_definitions(qjtestlang_${variant} PRIVATE TEST_LG_PLANTED TEST_LG_VERSION=3)
  elseif(NOT variant STREQUAL "none")
    string(SUBSTRING ${variant} 1 -1 version)
    target_compile_definitions(qjtestlang_${variant} PRIVATE TEST_LG_VERSION=${version})
  endif()
  add_dependencies(qjtests qjtestlang_${variant})
  target_compile_definitions(qjtests PRIVATE
                             QJ_TEST_LANG_${variant}="$<TARGET_FILE:qjtestlang_${variant}>")
endforeach()
# The language module loads the real environment module by name.
add_dependencies(qjtests qjenv)

add_test(NAME qjintp_translated
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/lang/run_translated.sh $<TARGET_FILE:qjintp>
                 ${CMAKE_BINARY_DIR}/qjhome)
