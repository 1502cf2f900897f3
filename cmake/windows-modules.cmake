# The Windows side of the sibling modules: the environment module is QJEnv.dll, and it and the
# action module export their entries at fixed ordinals (a .def file in the module's win32/
# folder). The interpreter imports those entries by ordinal, through import libraries made
# from the same .def files with every entry marked NONAME.

set_target_properties(qjenv PROPERTIES OUTPUT_NAME QJEnv)

# qj_ordinal_imports(<module> <def file> <dll name>): the interface library
# <module>_by_ordinal, which links the module's entries by ordinal.
function(qj_ordinal_imports module def dll)
  file(STRINGS ${def} lines)
  set(content "")
  foreach(line IN LISTS lines)
    if(line MATCHES "@[0-9]+$")
      string(APPEND line " NONAME")
    endif()
    string(APPEND content "${line}\n")
  endforeach()
  set(import_def ${CMAKE_CURRENT_BINARY_DIR}/${module}-by-ordinal.def)
  file(WRITE ${import_def} "${content}")
  set(import_lib ${CMAKE_CURRENT_BINARY_DIR}/${module}-by-ordinal.a)
  add_custom_command(OUTPUT ${import_lib}
    COMMAND ${CMAKE_DLLTOOL} -d ${import_def} -D ${dll} -l ${import_lib}
    DEPENDS ${def} VERBATIM)
  add_custom_target(${module}_import_lib DEPENDS ${import_lib} ${module})
  add_library(${module}_by_ordinal INTERFACE)
  target_link_libraries(${module}_by_ordinal INTERFACE ${import_lib})
  add_dependencies(${module}_by_ordinal ${module}_import_lib)
endfunction()

qj_ordinal_imports(qjenv ${CMAKE_CURRENT_SOURCE_DIR}/qjenv/win32/QJEnv.def QJEnv.dll)
qj_ordinal_imports(qjcwract ${CMAKE_CURRENT_SOURCE_DIR}/qjcwract/win32/qjcwract.def qjcwract.dll)

target_sources(qjenv PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/qjenv/win32/QJEnv.def)
target_sources(qjcwract PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/qjcwract/win32/qjcwract.def)
