#!/usr/bin/env bash
# Runs the file library through qjintp.exe under wine on what Windows shows of files, each in a
# temporary folder made here:
# - links: every operation that changes a target, on a target that holds Unix links to a victim
#   folder beside it, which wine shows as a plain folder and a plain file. The victim comes out
#   unchanged, the target's own file is acted on and the links are reported.
# - case: names that differ only in the case of letters beyond ASCII are one file, which an
#   equalise replaces (never copies beside it, nor deletes as an extra).
# - read-only: a read-only file whose replace fails, because the host holds it open as its trace
#   file, stays read-only.
# - trees: an equalise of nested folders makes the target equal to the source (folders it alone
#   has removed with their files, a stale temporary removed), and a delete empties a tree.
# - current folder: a program that only the current folder holds, a copy of qjprintargs.exe, does
#   not run by its bare name, and runs when the script gives its path.
# Arguments: the qjintp command, qjprintargs.exe.
set -u
qjintp=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0
failed() { echo "FAIL $*"; fail=1; }
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
# run NAME STATEMENTS [OPTION...] -- PATH...: runs the statements (separated by ";"), deletions
# confirmed, subfolders too, errors ignored, on the paths as Param1, Param2, ...
run() {
  local name=$1 params="" path
  local -a options=()
  IFS=';' read -ra statements <<<"$2"
  shift 2
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  for path; do params="$params \"$(winpath "$path")\""; done
  printf '%s\n' Main 'PVWSetAnswerYesForDelete(1)' 'PVWSetProcessEmptyDirs(1)' \
    'PVWSetIgnoreErrors(1)' "${statements[@]}" EndMain >"$dir/$name.scr"
  "$qjintp" "${options[@]}" -p "${params# }" "$dir/$name.scr" >"$dir/$name.out" 2>&1
}
EQUALISE='PVWEqualize(Param1, Param2, 1, Null)'
files() {  # folder, then PATH=CONTENT...: each file made with its folders
  local root=$1 file
  shift
  for file; do mkdir -p "$(dirname "$root/${file%%=*}")" && echo "${file#*=}" >"$root/${file%%=*}"; done
}
snapshot() { (cd "$1" && find . -printf '%p %y %s %m\n' | sort && cat keep.txt sub/deep.txt) 2>&1; }

for operation in "attrib|PVWChangeAttrib(Param2, \"+R\", 1, Null)" \
  "delete|PVWDelete(Param2, 1, Null)" "equalise|$EQUALISE"; do
  name=${operation%%|*}
  work=$dir/links-$name
  files "$work" victim/keep.txt=keep victim/sub/deep.txt=deep src/s.txt=s tgt/old.txt=old
  ln -s ../victim "$work/tgt/link"
  ln -s ../victim/keep.txt "$work/tgt/flink"
  before=$(snapshot "$work/victim")
  run "links-$name" "${operation#*|}" -- "$work/src" "$work/tgt"
  [ "$(snapshot "$work/victim")" = "$before" ] || failed "links $name: the victim changed"
  if [ -e "$work/tgt/old.txt" ] && [ "$(stat -c %a "$work/tgt/old.txt")" != 444 ]; then
    failed "links $name: the target's own file was not acted on"
  fi
  grep -q 'tgt\\link' "$dir/links-$name.out" && grep -q 'tgt\\flink' "$dir/links-$name.out" ||
    failed "links $name: the links were not reported"
done

files "$dir/case" src/Ä.txt=new tgt/ä.txt=old src/ΩΜΕΓΑ.txt=new tgt/ωμεγα.txt=old \
  src/ЖУК.txt=new tgt/жук.txt=old
touch -d 2000-01-01 "$dir/case/tgt/"*
run case "$EQUALISE" -- "$dir/case/src" "$dir/case/tgt"
for target in ä.txt ωμεγα.txt жук.txt; do
  [ "$(cat "$dir/case/tgt/$target" 2>&1)" = new ] || failed "case: $target not replaced"
done
[ "$(ls "$dir/case/tgt" | wc -l)" = 3 ] || failed "case: the target holds $(ls "$dir/case/tgt")"

mkdir -p "$dir/ro/tgt"
files "$dir" ro/src/held.txt=new
run read-only 'PVWChangeAttrib(Param2, "+R", 0, Null);PVWCopy(Param1, Param2, 2, Null)' \
  --trace "$(winpath "$dir/ro/tgt/held.txt")" -- "$dir/ro/src" "$dir/ro/tgt"
[ "$(stat -c %a "$dir/ro/tgt/held.txt")" = 444 ] || failed "read-only: the flag is gone"

# .k.txt.pvw1-1 is a temporary whose writer is gone.
files "$dir" src/keep/deep/k.txt=new tgt/keep/deep/k.txt=old tgt/gone/g.txt=g \
  tgt/gone/sub/h.txt=h tgt/x.txt=x tgt/keep/.k.txt.pvw1-1=t del/a/b/c.txt=c del/d.txt=d
touch -d 2000-01-01 "$dir/tgt/keep/deep/k.txt"
run trees "$EQUALISE;PVWDelete(Param3, 1, Null)" -- "$dir/src" "$dir/tgt" "$dir/del"
diff -r "$dir/src" "$dir/tgt" || failed "trees: the target differs from the source"
[ -z "$(find "$dir/del" -mindepth 1)" ] || failed "trees: the deleted tree holds $(ls -R "$dir/del")"

mkdir "$dir/here" && cp "$2" "$dir/here/qjhere.exe"
printf '%s\n' 'Declare' 'Number n = 0' 'String out = ""' 'EndDeclare' 'Main' \
  'n = ActRun(0, "qjhere", "bare", Null, 1, out, 5000)' \
  'n = ActRun(0, ".\\qjhere", "path", Null, 1, out, 5000)' 'DebugPrintStr(out)' 'EndMain' >"$dir/here/t.scr"
(cd "$dir/here" && LC_ALL=C "$qjintp" t.scr >"$dir/here.out" 2>&1)
grep -q '"qjhere" was found only relative to the current folder, as ".*qjhere.exe"' "$dir/here.out" ||
  failed "current folder: the bare name was not refused"
grep -qF 'out = "<path>"' "$dir/here.out" || failed "current folder: the path did not run"

[ "$fail" = 0 ] && echo "files: passed" || tail -n 20 "$dir"/*.out
exit "$fail"
