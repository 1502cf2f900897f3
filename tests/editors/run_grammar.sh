#!/usr/bin/env bash
# Checks that the Vim syntax file loads without errors when vim is there, then tests the
# TextMate grammar against the annotated scripts in editors/tests with vscode-tmgrammar-test.
# Arguments: the editors folder, a folder of the build for npm.
set -u
editors=$1
if command -v vim >/dev/null; then
  out=$(vim -Nu NONE -i NONE -es --cmd "set rtp^=$editors/vim" -c 'syntax on' \
    -c 'edit '"$editors"'/tests/structure.scr' -c 'if &filetype !=# "qjscript" || !exists("b:current_syntax") | cquit | endif' \
    -c 'qall!' 2>&1) || { echo "FAIL: the Vim syntax file does not load: $out"; exit 1; }
fi
tool=$(dirname "$(realpath "$0")")/run_npm_tool.sh
cd "$editors/tests" && exec "$tool" "$2" vscode-tmgrammar-test@0.1.3 \
  vscode-tmgrammar-test -g ../qjscript.tmLanguage.json '*.scr'
