#!/usr/bin/env bash
# Tests the TextMate grammar against the annotated scripts in editors/tests with
# vscode-tmgrammar-test, which npm installs once into a folder of the build. Exits 77 (skipped)
# when node or npm is missing or the tool cannot be installed (no network, say); the Vim
# syntax file is checked to load without errors when vim is there.
# Arguments: the editors folder, a folder of the build for npm.
set -u
editors=$1
npmdir=$2
tool=$npmdir/node_modules/.bin/vscode-tmgrammar-test
status=0

if command -v vim >/dev/null; then
  out=$(vim -Nu NONE -i NONE -es --cmd "set rtp^=$editors/vim" -c 'syntax on' \
    -c 'edit '"$editors"'/tests/structure.scr' -c 'if &filetype !=# "qjscript" || !exists("b:current_syntax") | cquit | endif' \
    -c 'qall!' 2>&1) || { echo "FAIL: the Vim syntax file does not load: $out"; status=1; }
fi

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "run_grammar: node or npm not installed, grammar test skipped"
  exit $((status == 0 ? 77 : status))
fi
if [ ! -x "$tool" ] &&
  ! npm install --silent --no-save --no-audit --no-fund --prefix "$npmdir" \
    vscode-tmgrammar-test@0.1.3 >"$npmdir.log" 2>&1; then
  echo "run_grammar: vscode-tmgrammar-test could not be installed, grammar test skipped"
  tail -3 "$npmdir.log"
  exit $((status == 0 ? 77 : status))
fi
(cd "$editors/tests" && "$tool" -g ../qjscript.tmLanguage.json '*.scr') || status=1
exit $status
