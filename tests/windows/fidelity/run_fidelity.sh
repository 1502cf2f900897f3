#!/usr/bin/env bash
# Runs the file library through qjintp.exe under wine on what Windows keeps of a file's name and
# attributes: names that differ only in the case of letters beyond ASCII are one file, which an
# equalise replaces (never copies beside it, nor deletes as an extra); and a read-only file
# whose replace fails, because the host holds it open as its trace file, stays read-only.
# Everything lives in a temporary folder made here.
set -u
qjintp=$1
scripts=$2
. "$(dirname "$0")/../file_scratch.sh"
fail=0

# source name, target name: one file on Windows
pairs=("Ä.txt ä.txt" "ΩΜΕΓΑ.txt ωμεγα.txt" "ЖУК.txt жук.txt")
mkdir -p "$dir/case/src" "$dir/case/tgt"
for pair in "${pairs[@]}"; do
  read -r source target <<<"$pair"
  echo new >"$dir/case/src/$source"
  echo old >"$dir/case/tgt/$target"
  touch -d 2000-01-01 "$dir/case/tgt/$target"
done
"$qjintp" -p "\"$(winpath "$dir/case/src")\" \"$(winpath "$dir/case/tgt")\"" \
  "$scripts/equalise.scr" >"$dir/case.out" 2>&1
for pair in "${pairs[@]}"; do
  read -r source target <<<"$pair"
  [ "$(cat "$dir/case/tgt/$target" 2>&1)" = new ] || { echo "FAIL case: $target not replaced"; fail=1; }
done
if [ "$(ls "$dir/case/tgt" | wc -l)" != "${#pairs[@]}" ]; then
  echo "FAIL case: the target holds other files:"; ls "$dir/case/tgt"; fail=1
fi

mkdir -p "$dir/ro/src" "$dir/ro/tgt"
echo new >"$dir/ro/src/held.txt"
"$qjintp" --trace "$(winpath "$dir/ro/tgt/held.txt")" \
  -p "\"$(winpath "$dir/ro/src")\" \"$(winpath "$dir/ro/tgt")\"" \
  "$scripts/readonly.scr" >"$dir/ro.out" 2>&1
[ "$(stat -c %a "$dir/ro/tgt/held.txt")" = 444 ] || { echo "FAIL read-only: the flag is gone"; fail=1; }

[ "$fail" = 0 ] && echo "fidelity: passed" || cat "$dir/case.out" "$dir/ro.out"
exit "$fail"
