# What `cmake --install` puts in place, in three parts that the Debian packages follow:
#   Runtime: lib/libQJIntp32.so.2 (soname) and, in the private folder lib/qjintp32, the
#     sibling modules (which only the interpreter module loads) and the installed language
#     home qjhome/system/lg, which the environment module names as QJHome;
#   Development: include/qjintp32.h, the libQJIntp32.so link, lib/cmake/QJIntp32
#     (find_package) and the pkg-config file;
#   Tool: bin/qjintp, its man page and bash completion, the sample automation server in the
#     private folder, and the README with the docs, examples and editor files it links to.
# Each part has its folder in share/doc with the copyright and the changelog. Every binary
# finds the libraries through a RUNPATH relative to itself, so the tree runs from any prefix.

# Where the system keeps libraries by architecture (Debian and its kin), ours go too.
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT WIN32)
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
                           "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The header's version and the project's must agree: hosts compare against the header.
file(STRINGS ${PROJECT_SOURCE_DIR}/include/qjintp32.h QJ_HEADER_VERSION
     REGEX "^#define QJINTP32_VERSION \"")
if(NOT QJ_HEADER_VERSION MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "include/qjintp32.h says ${QJ_HEADER_VERSION}, the project ${PROJECT_VERSION}")
endif()

# The names of the parts' packages, which also name their folders in share/doc.
set(QJ_RUNTIME_PACKAGE libqjintp32-${PROJECT_VERSION_MAJOR})
set(QJ_DEVELOPMENT_PACKAGE libqjintp32-dev)
set(QJ_TOOL_PACKAGE qjintp)
# The packages' revision and maintainer, which the changelog carries too.
set(QJ_PACKAGE_VERSION ${PROJECT_VERSION}-1)
set(QJ_PACKAGE_MAINTAINER "QJIntp32 maintainers <maintainers@qjintp32.example.org>" CACHE STRING
    "The Debian packages' maintainer: name <address>")

set(QJ_FAMILY_MODULES qjclog pvtrc32 pvwfile qjenv qjcwract)
set_target_properties(QJIntp32 PROPERTIES VERSION ${PROJECT_VERSION}
                                          SOVERSION ${PROJECT_VERSION_MAJOR})
if(NOT WIN32)
  set_target_properties(${QJ_FAMILY_MODULES} PROPERTIES VERSION ${PROJECT_VERSION}
                                                        SOVERSION ${PROJECT_VERSION_MAJOR})
endif()
set(QJ_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/qjintp32)
set_target_properties(QJIntp32 PROPERTIES INSTALL_RPATH "$ORIGIN/qjintp32")
set_target_properties(${QJ_FAMILY_MODULES} PROPERTIES INSTALL_RPATH "$ORIGIN")
file(RELATIVE_PATH QJ_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
# qjintp asks the trace and log modules itself whether output was lost.
set_target_properties(qjintp PROPERTIES INSTALL_RPATH
                                        "$ORIGIN/${QJ_BIN_TO_LIB};$ORIGIN/${QJ_BIN_TO_LIB}/qjintp32")

install(TARGETS qjintp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Tool)
# The sibling modules go into the export set too: the module needs them at link time. Only
# the interpreter module loads them, by soname, so they need no development links.
install(TARGETS QJIntp32 EXPORT QJIntp32Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Runtime
                NAMELINK_COMPONENT Development
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(TARGETS ${QJ_FAMILY_MODULES} EXPORT QJIntp32Targets
        LIBRARY DESTINATION ${QJ_MODULE_DIR} COMPONENT Runtime NAMELINK_SKIP
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime
        ARCHIVE DESTINATION ${QJ_MODULE_DIR} COMPONENT Development)
install(FILES ${PROJECT_SOURCE_DIR}/include/qjintp32.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT Development)

# The language home beside the environment module: <lang>.cfg and <lang>/res/<module file>.
set(QJ_LANGUAGE_INSTALL_DIR ${QJ_MODULE_DIR}/qjhome/system/lg)
get_property(QJ_LANGUAGES GLOBAL PROPERTY QJ_LANGUAGES)
foreach(lang ${QJ_LANGUAGES})
  install(TARGETS qjlang_${lang}
          LIBRARY DESTINATION ${QJ_LANGUAGE_INSTALL_DIR}/${lang}/res COMPONENT Runtime
          RUNTIME DESTINATION ${QJ_LANGUAGE_INSTALL_DIR}/${lang}/res COMPONENT Runtime)
  install(FILES ${QJ_LANGUAGE_HOME}/${lang}.cfg DESTINATION ${QJ_LANGUAGE_INSTALL_DIR}
          COMPONENT Runtime)
endforeach()

# find_package(QJIntp32) gives the imported target QJIntp32::QJIntp32.
set(QJ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QJIntp32)
install(EXPORT QJIntp32Targets NAMESPACE QJIntp32:: DESTINATION ${QJ_CMAKE_DIR}
        COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/QJIntp32Config.cmake.in
                              ${PROJECT_BINARY_DIR}/QJIntp32Config.cmake
                              INSTALL_DESTINATION ${QJ_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QJIntp32ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QJIntp32Config.cmake
              ${PROJECT_BINARY_DIR}/QJIntp32ConfigVersion.cmake DESTINATION ${QJ_CMAKE_DIR}
        COMPONENT Development)

# The pkg-config file names its prefix relative to itself, so it moves with the tree.
set(QJ_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH QJ_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${QJ_PC_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QJ_PC_TO_PREFIX "${QJ_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/qjintp32.pc.in ${PROJECT_BINARY_DIR}/qjintp32.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qjintp32.pc DESTINATION ${QJ_PC_DIR} COMPONENT Development)

# The man page and the changelog are installed compressed, as man and Debian expect.
find_program(QJ_GZIP gzip REQUIRED)
function(qj_gzip source output)
  add_custom_command(OUTPUT ${output}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${output}
    COMMAND ${QJ_GZIP} -9nf ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
qj_gzip(${PROJECT_SOURCE_DIR}/packaging/qjintp.1 ${PROJECT_BINARY_DIR}/man/qjintp.1)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in
               ${PROJECT_BINARY_DIR}/changelog.in/changelog.Debian @ONLY)
qj_gzip(${PROJECT_BINARY_DIR}/changelog.in/changelog.Debian
        ${PROJECT_BINARY_DIR}/changelog/changelog.Debian)
# The copyright file in Debian's machine-readable form, its licence text taken from LICENSE.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE QJ_COPYRIGHT REGEX "^Copyright ")
string(REGEX REPLACE "^Copyright (\\(c\\) )?" "" QJ_COPYRIGHT "${QJ_COPYRIGHT}")
file(READ ${PROJECT_SOURCE_DIR}/LICENSE QJ_LICENSE_TEXT)
string(REGEX REPLACE "^.*\n(Permission )" "\\1" QJ_LICENSE_TEXT "${QJ_LICENSE_TEXT}")
string(STRIP "${QJ_LICENSE_TEXT}" QJ_LICENSE_TEXT)
string(REPLACE "\n\n" "\n.\n" QJ_LICENSE_TEXT "${QJ_LICENSE_TEXT}")
string(REPLACE "\n" "\n " QJ_LICENSE_TEXT " ${QJ_LICENSE_TEXT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${PROJECT_BINARY_DIR}/copyright
               @ONLY)
add_custom_target(qj_compressed_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/man/qjintp.1.gz
                                                 ${PROJECT_BINARY_DIR}/changelog/changelog.Debian.gz)

install(FILES ${PROJECT_BINARY_DIR}/man/qjintp.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT Tool)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qjintp.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qjintp
        COMPONENT Tool)
# lintian's verdicts that do not apply: these packages are built outside Debian's archive,
# so their first changelog entry closes no bug report; a language module holds texts alone.
set(QJ_OVERRIDES_Runtime "shared-library-lacks-prerequisites [*/lg/*/res/*]")
foreach(part Runtime Development Tool)
  string(TOUPPER ${part} PART)
  set(package ${QJ_${PART}_PACKAGE})
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${part})
  set(overrides "")
  foreach(tag "initial-upload-closes-no-bugs" ${QJ_OVERRIDES_${part}})
    string(APPEND overrides "${package}: ${tag}\n")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/lintian/${package} "${overrides}")
  install(FILES ${PROJECT_BINARY_DIR}/lintian/${package}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT ${part})
endforeach()

# The README keeps its links: docs/, examples/ and editors/ lie beside it.
set(QJ_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${QJ_TOOL_PACKAGE})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${QJ_DOC_DIR} COMPONENT Tool)
install(FILES ${PROJECT_SOURCE_DIR}/docs/language.md ${PROJECT_SOURCE_DIR}/docs/embedding.md
        DESTINATION ${QJ_DOC_DIR}/docs COMPONENT Tool)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${QJ_DOC_DIR}/examples
        COMPONENT Tool PATTERN "CMakeLists.txt" EXCLUDE PATTERN "sample_server" EXCLUDE)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/ DESTINATION ${QJ_DOC_DIR}/editors COMPONENT Tool
        PATTERN "tests" EXCLUDE)
if(TARGET qjsample_server)
  install(TARGETS qjsample_server LIBRARY DESTINATION ${QJ_MODULE_DIR} COMPONENT Tool)
endif()
