# Makes the string table of a Windows language module from the language's table of texts, so
# that the texts have one source on both platforms. Every entry line {id, "text"}, of the
# table becomes the entry id, "text"; any other line inside the table stops the build.
# The texts are UTF-8, and the resource compiler is told so: the string table holds them as
# Unicode, and LoadStringA gives them in the ANSI code page of the process that asks.
#
#   cmake -DSOURCE=<lang>/strings_<lang>.cpp -DOUTPUT=<file>.rc -P string_table_rc.cmake
#
# The source is walked line by line without CMake lists, so that a text may hold ";" or "[".

file(READ ${SOURCE} source)
string(APPEND source "\n")
set(entries "")
set(count 0)
set(number 0)
set(in_table FALSE)
while(NOT source STREQUAL "")
  string(FIND "${source}" "\n" end)
  string(SUBSTRING "${source}" 0 ${end} line)
  math(EXPR end "${end} + 1")
  string(SUBSTRING "${source}" ${end} -1 source)
  math(EXPR number "${number} + 1")
  string(STRIP "${line}" line)
  if(NOT in_table)
    if(line MATCHES "^const LangString g_aLangStrings\\[\\] = {$")
      set(in_table TRUE)
    endif()
  elseif(line STREQUAL "};")
    break()
  elseif(line STREQUAL "" OR line MATCHES "^//")
  elseif(line MATCHES "^{(-?[0-9]+), \"(.*)\"},$")
    # A quote inside a text is written twice in a resource script.
    string(REPLACE "\\\"" "\"\"" text "${CMAKE_MATCH_2}")
    string(APPEND entries "    ${CMAKE_MATCH_1}, \"${text}\"\n")
    math(EXPR count "${count} + 1")
  else()
    message(FATAL_ERROR "${SOURCE}:${number}: not one entry of the form {id, \"text\"},")
  endif()
endwhile()
if(count EQUAL 0)
  message(FATAL_ERROR "${SOURCE}: no table g_aLangStrings with entries found")
endif()

file(WRITE ${OUTPUT} "// Made by the build from ${SOURCE}: edit that file, not this one.
#pragma code_page(65001)

STRINGTABLE
BEGIN
${entries}END
")
