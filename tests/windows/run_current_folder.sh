#!/usr/bin/env bash
# A program that only the current folder holds does not run by its bare name, and runs when the
# script gives its path. In a temporary folder: a copy of qjprintargs.exe named qjhere.exe.
# Arguments: the qjintp command, qjprintargs.exe.
set -u
qjintp=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$2" "$dir/qjhere.exe"
printf '%s\n' 'Declare' 'Number n = 0' 'String out = ""' 'EndDeclare' 'Main' \
  'n = ActRun(0, "qjhere", "bare", Null, 1, out, 5000)' \
  'n = ActRun(0, ".\\qjhere", "path", Null, 1, out, 5000)' 'DebugPrintStr(out)' 'EndMain' >"$dir/t.scr"
(cd "$dir" && LC_ALL=C "$qjintp" t.scr >"$dir/out" 2>&1)
fail=0
grep -q '"qjhere" was found only relative to the current folder, as ".*qjhere.exe"' "$dir/out" ||
  { echo "FAIL: the bare name was not refused"; fail=1; }
grep -qF 'out = "<path>"' "$dir/out" || { echo "FAIL: the path did not run"; fail=1; }
[ "$fail" = 0 ] && echo "current folder: passed" || cat "$dir/out"
exit "$fail"
