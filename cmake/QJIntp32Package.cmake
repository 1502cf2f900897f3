# cpack -G DEB: three Debian packages from the install parts (see QJIntp32Install.cmake): the
# runtime libqjintp32-2, the development files libqjintp32-dev and the tool qjintp, stripped,
# with the dependencies dpkg-shlibdeps reads from the binaries.
set(CPACK_PACKAGE_NAME qjintp32)
set(CPACK_PACKAGE_VENDOR "QJIntp32")
set(CPACK_PACKAGE_CONTACT "${QJ_PACKAGE_MAINTAINER}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL Runtime Development Tool)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_COMPONENT_TOOL_DEPENDS Runtime)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE qjintp32)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/bin)

string(CONCAT QJ_PACKAGE_ABOUT
    "QJIntp32 runs scripts of a small line-oriented language with Number and\n"
    "String values, 58 built-in functions, procedures, If and While blocks.\n"
    "Scripts copy, compare, equalise and delete file trees through the file\n"
    "library, read and set the family's environment values, start actions and\n"
    "call automation objects.\n\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QJ_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The runtime names its library's soname in a shlibs file, and lets dpkg run ldconfig through
# its trigger rather than from scripts of its own (nothing is named postinst or postrm: the
# names only stop cpack from writing its ldconfig scripts).
file(WRITE ${PROJECT_BINARY_DIR}/deb/shlibs
     "libQJIntp32 ${PROJECT_VERSION_MAJOR} ${QJ_RUNTIME_PACKAGE} (>= ${PROJECT_VERSION})\n")
file(WRITE ${PROJECT_BINARY_DIR}/deb/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/deb/shlibs ${PROJECT_BINARY_DIR}/deb/triggers
    ${PROJECT_BINARY_DIR}/deb/none/postinst ${PROJECT_BINARY_DIR}/deb/none/postrm)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "xdg-utils")
string(CONCAT CPACK_COMPONENT_RUNTIME_DESCRIPTION
  "script interpreter module with its file, environment and action modules\n"
  ${QJ_PACKAGE_ABOUT}
  "This package holds the interpreter module libQJIntp32, its sibling modules\n"
  "(trace, log, file library, environment and action modules) and the German\n"
  "texts. The action module opens documents with xdg-open.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${QJ_DEVELOPMENT_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
  "script interpreter module - development files\n"
  ${QJ_PACKAGE_ABOUT}
  "This package holds what a host program needs to embed the interpreter: the\n"
  "C header qjintp32.h, the pkg-config file and the CMake package.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ${QJ_TOOL_PACKAGE})
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION interpreters)
set(CPACK_DEBIAN_TOOL_PACKAGE_SUGGESTS "bash-completion")
string(CONCAT CPACK_COMPONENT_TOOL_DESCRIPTION
  "command-line host of the QJIntp32 script interpreter\n"
  ${QJ_PACKAGE_ABOUT}
  "This package holds qjintp, which runs a script with options, parameters,\n"
  "a time limit and trace and log files, with its manual page, bash\n"
  "completion, the language reference, examples and editor support.")
include(CPack)
