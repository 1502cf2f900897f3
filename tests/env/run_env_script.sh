#!/usr/bin/env bash
# Runs a script that drives the environment built-ins through qjintp and the real
# environment module, on a copy of a store file, with one value overridden by the process
# environment. Compares the trace and the store file the script leaves behind.
set -u
qjintp=$1
case=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$case/t.scr" "$case/env.ini" "$dir/"
(cd "$dir" && QJ_ENV_FILE="$dir/env.ini" QJLg=de LC_ALL=C "$qjintp" t.scr >"$dir/stdout" 2>"$dir/stderr")
status=$?
sed -i -E "s/^('.*' (start script processing|end of script processing)) - .*/\1 - <TIME>/" "$dir/stdout"
fail=0
[ "$status" = 0 ] || { echo "FAIL exit status $status"; cat "$dir/stderr"; fail=1; }
diff -u "$case/stdout" "$dir/stdout" || fail=1
diff -u "$case/env.ini.after" "$dir/env.ini" || fail=1
[ "$fail" = 0 ] && echo "environment built-ins: passed"
exit "$fail"
