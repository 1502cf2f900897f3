# What `cmake --install` puts in place, and the Debian package cpack makes of it:
#   bin/qjintp; lib/libQJIntp32.so.2.0.0 (soname libQJIntp32.so.2); the sibling modules, which
#   only the interpreter module loads, in the private folder lib/qjintp32;
#   include/qjintp32.h; lib/cmake/QJIntp32 (find_package); lib/pkgconfig/qjintp32.pc;
#   share/man/man1/qjintp.1; the bash completion; docs and examples in share/doc/qjintp32.
# Every binary finds the libraries through a RUNPATH relative to itself, so the tree runs
# from any prefix.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The header's version and the project's must agree: hosts compare against the header.
file(STRINGS ${PROJECT_SOURCE_DIR}/include/qjintp32.h QJ_HEADER_VERSION
     REGEX "^#define QJINTP32_VERSION \"")
if(NOT QJ_HEADER_VERSION MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "include/qjintp32.h says ${QJ_HEADER_VERSION}, the project ${PROJECT_VERSION}")
endif()

set(QJ_FAMILY_MODULES qjclog pvtrc32 pvwfile qjenv qjcwract)
set_target_properties(QJIntp32 PROPERTIES VERSION ${PROJECT_VERSION}
                                          SOVERSION ${PROJECT_VERSION_MAJOR})
set(QJ_MODULE_DIR ${CMAKE_INSTALL_LIBDIR}/qjintp32)
set_target_properties(QJIntp32 PROPERTIES INSTALL_RPATH "$ORIGIN/qjintp32")
set_target_properties(${QJ_FAMILY_MODULES} PROPERTIES INSTALL_RPATH "$ORIGIN")
file(RELATIVE_PATH QJ_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
# qjintp asks the trace and log modules itself whether output was lost.
set_target_properties(qjintp PROPERTIES INSTALL_RPATH
                                        "$ORIGIN/${QJ_BIN_TO_LIB};$ORIGIN/${QJ_BIN_TO_LIB}/qjintp32")

install(TARGETS qjintp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The sibling modules go into the export set too: the module needs them at link time.
install(TARGETS QJIntp32 EXPORT QJIntp32Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS ${QJ_FAMILY_MODULES} EXPORT QJIntp32Targets
        LIBRARY DESTINATION ${QJ_MODULE_DIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${QJ_MODULE_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/qjintp32.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# find_package(QJIntp32) gives the imported target QJIntp32::QJIntp32.
set(QJ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QJIntp32)
install(EXPORT QJIntp32Targets NAMESPACE QJIntp32:: DESTINATION ${QJ_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/QJIntp32Config.cmake.in
                              ${PROJECT_BINARY_DIR}/QJIntp32Config.cmake
                              INSTALL_DESTINATION ${QJ_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QJIntp32ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QJIntp32Config.cmake
              ${PROJECT_BINARY_DIR}/QJIntp32ConfigVersion.cmake DESTINATION ${QJ_CMAKE_DIR})

# The pkg-config file names its prefix relative to itself, so it moves with the tree.
set(QJ_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH QJ_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${QJ_PC_DIR} ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QJ_PC_TO_PREFIX "${QJ_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/qjintp32.pc.in ${PROJECT_BINARY_DIR}/qjintp32.pc
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qjintp32.pc DESTINATION ${QJ_PC_DIR})

set(QJ_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/qjintp32)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qjintp.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qjintp.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qjintp)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
              ${PROJECT_SOURCE_DIR}/docs/language.md ${PROJECT_SOURCE_DIR}/docs/embedding.md
        DESTINATION ${QJ_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${QJ_DOC_DIR} RENAME copyright)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${QJ_DOC_DIR}/examples)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/editors/ DESTINATION ${CMAKE_INSTALL_DATADIR}/qjintp32/editors
        PATTERN "tests" EXCLUDE)

# cpack -G DEB: a Debian package whose dependencies dpkg-shlibdeps reads from the binaries.
set(CPACK_PACKAGE_NAME qjintp32)
set(CPACK_PACKAGE_VENDOR "QJIntp32")
set(CPACK_PACKAGE_CONTACT "QJIntp32 maintainers <qjintp32@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "script interpreter module and command-line host qjintp")
set(CPACK_PACKAGE_DESCRIPTION
    "A script interpreter packaged as a shared library, libQJIntp32, with its sibling modules and the command-line host qjintp. Scripts work on Numbers and Strings with 58 built-in functions, call file, environment and action modules, and reach automation objects.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
