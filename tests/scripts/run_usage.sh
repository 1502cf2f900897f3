#!/usr/bin/env bash
# The host's exit status and messages for command lines that cannot run a script, or whose
# script is missing.
set -u
qjintp=$1
fail=0
expect() {  # expected status, expected text on stderr, arguments...
  local status=$1 text=$2 err
  shift 2
  err=$("$qjintp" "$@" 2>&1 >/dev/null)
  local actual=$?
  [ "$actual" = "$status" ] && [[ $err == *"$text"* ]] ||
    { echo "FAIL: qjintp $* -> status $actual, stderr: $err"; fail=1; }
}
expect 2 "usage: qjintp"
expect 2 "-o needs a value" -o
expect 2 "unknown option" -x t.scr
expect 2 "no script given" -q
expect 1 "Script error: 'no-such.scr' - Error opening script file" -o -s -p '"a"' no-such.scr
expect 1 "01000001 'no-such.scr' - Error opening script file" -o E no-such.scr
exit $fail
