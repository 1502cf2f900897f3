#!/usr/bin/env bash
# Runs debugger_test.js against qjintp --dap with @vscode/debugadapter-testsupport, which npm
# installs once into a folder of the build. Exits 77 (skipped) when node or npm is missing or
# the client cannot be installed (no network, say).
# Arguments: the qjintp program, a folder of the build for npm.
set -u
qjintp=$1
npmdir=$2
client=$npmdir/node_modules/@vscode/debugadapter-testsupport

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "run_debugger: node or npm not installed, debugger test skipped"
  exit 77
fi
if [ ! -d "$client" ] &&
  ! npm install --silent --no-save --no-audit --no-fund --prefix "$npmdir" \
    @vscode/debugadapter-testsupport@1.68.0 >"$npmdir.log" 2>&1; then
  echo "run_debugger: the debug adapter test client could not be installed, test skipped"
  tail -3 "$npmdir.log"
  exit 77
fi
NODE_PATH=$npmdir/node_modules exec node "$(dirname "$0")/debugger_test.js" "$qjintp"
