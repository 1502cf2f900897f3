#!/usr/bin/env bash
# Runs an equalise and a delete of nested folders through qjintp.exe under wine: the target
# must come out equal to the source (folders it alone has removed with their files, a stale
# temporary removed), and the deleted tree empty. Everything lives in a temporary folder made here.
set -u
qjintp=$1
script=$2
. "$(dirname "$0")/../file_scratch.sh"
mkdir -p "$dir/src/keep/deep" "$dir/tgt/keep/deep" "$dir/tgt/gone/sub" "$dir/del/a/b"
echo new >"$dir/src/keep/deep/k.txt"
echo old >"$dir/tgt/keep/deep/k.txt"
touch -d 2000-01-01 "$dir/tgt/keep/deep/k.txt"
echo g >"$dir/tgt/gone/g.txt"
echo h >"$dir/tgt/gone/sub/h.txt"
echo x >"$dir/tgt/x.txt"
echo t >"$dir/tgt/keep/.k.txt.pvw1-1"  # a temporary whose writer is gone
echo c >"$dir/del/a/b/c.txt"
echo d >"$dir/del/d.txt"
params="\"$(winpath "$dir/src")\" \"$(winpath "$dir/tgt")\" \"$(winpath "$dir/del")\""
"$qjintp" -p "$params" "$script" >"$dir/stdout" 2>&1

fail=0
diff -r "$dir/src" "$dir/tgt" || { echo "FAIL equalise: the target differs from the source"; fail=1; }
if [ -n "$(find "$dir/del" -mindepth 1)" ]; then
  echo "FAIL delete: the tree is not empty"; find "$dir/del" -mindepth 1; fail=1
fi
[ "$fail" = 0 ] && echo "trees: passed" || cat "$dir/stdout"
exit "$fail"
