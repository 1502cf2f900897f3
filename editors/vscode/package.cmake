# Packages the VS Code extension into a .vsix: copies this folder, the TextMate grammar and the
# licence into a folder of the build, installs the language client and vsce there with npm
# (which needs the network), and runs vsce.
# cmake -DSOURCE=<editors/vscode> -DGRAMMAR=<grammar> -DLICENSE=<licence> -DWORK=<folder>
#       -DVSIX=<output .vsix> -P package.cmake
foreach(var SOURCE GRAMMAR LICENSE WORK VSIX)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "package.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(NPM npm)
find_program(NPX npx)
if(NOT NPM OR NOT NPX)
  message(FATAL_ERROR "npm and npx are needed to package the extension (Debian: nodejs npm)")
endif()

file(COPY ${SOURCE}/ DESTINATION ${WORK} PATTERN package.cmake EXCLUDE)
file(COPY ${GRAMMAR} DESTINATION ${WORK}/syntaxes)
file(COPY ${LICENSE} DESTINATION ${WORK})
execute_process(COMMAND ${NPM} install --no-audit --no-fund WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "npm install failed in ${WORK}")
endif()
execute_process(COMMAND ${NPX} vsce package --allow-missing-repository --out ${VSIX} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "vsce could not package the extension")
endif()
