#!/usr/bin/env bash
# Runs a command with an npm package that npm installs once into a folder of the build. Exits 77
# (skipped) when node or npm is missing or the package cannot be installed (no network, say).
# Arguments: the folder for npm, the package@version, the command and its arguments.
set -u
npmdir=$1
package=$2
shift 2
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "node or npm not installed, test skipped"
  exit 77
fi
if [ ! -d "$npmdir/node_modules/${package%@*}" ] &&
  ! npm install --silent --no-save --no-audit --no-fund --prefix "$npmdir" "$package" \
    >"$npmdir.log" 2>&1; then
  echo "$package could not be installed, test skipped"
  tail -3 "$npmdir.log"
  exit 77
fi
PATH=$npmdir/node_modules/.bin:$PATH NODE_PATH=$npmdir/node_modules exec "$@"
