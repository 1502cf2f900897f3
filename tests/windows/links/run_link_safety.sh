#!/usr/bin/env bash
# Runs each operation of the file library that changes a target (a script per operation)
# through qjintp.exe under wine, on a target that holds Unix symbolic links to a victim folder
# beside it, which wine shows as a plain folder and a plain file. The victim must come out
# unchanged, the target's own file acted on (deleted or made read-only) and the links
# reported. Everything lives in a temporary folder made here.
set -u
qjintp=$1
cases=$2
. "$(dirname "$0")/../file_scratch.sh"
snapshot() { (cd "$1" && find . -printf '%p %y %s %m\n' | sort && cat keep.txt sub/deep.txt) 2>&1; }

fail=0
for script in "$cases"/*.scr; do
  name=$(basename "$script" .scr)
  run=$dir/$name
  mkdir -p "$run/src" "$run/tgt" "$run/victim/sub"
  echo keep >"$run/victim/keep.txt"
  echo deep >"$run/victim/sub/deep.txt"
  echo s >"$run/src/s.txt"
  echo old >"$run/tgt/old.txt"
  ln -s ../victim "$run/tgt/link"
  ln -s ../victim/keep.txt "$run/tgt/flink"
  before=$(snapshot "$run/victim")
  params="\"$(winpath "$run/src")\" \"$(winpath "$run/tgt")\""
  "$qjintp" -p "$params" "$script" >"$run/stdout" 2>&1
  if [ "$(snapshot "$run/victim")" != "$before" ]; then
    echo "FAIL $name: the victim behind the links changed"; fail=1
  fi
  if [ -e "$run/tgt/old.txt" ] && [ "$(stat -c %a "$run/tgt/old.txt")" != 444 ]; then
    echo "FAIL $name: the target's own file was not acted on"; fail=1
  fi
  if ! grep -q 'tgt\\link' "$run/stdout" || ! grep -q 'tgt\\flink' "$run/stdout"; then
    echo "FAIL $name: the links were not reported"; fail=1
  fi
  [ "$fail" = 0 ] || cat "$run/stdout"
done
[ "$fail" = 0 ] && echo "links out of the target: passed"
exit "$fail"
