#!/usr/bin/env bash
# Runs qjintp on every case folder (t.scr, case.json, stdout, stderr) and compares what it
# prints, with the time text of the start and end messages shown as <TIME>.
set -u
qjintp=$1
cases=$2
pass=0
fail=0
for dir in "$cases"/*/; do
  name=$(basename "$dir")
  read -r options params rc < <(python3 - "$dir/case.json" <<'PY'
import json, sys, shlex
c = json.load(open(sys.argv[1]))
print(shlex.quote(c.get("options") or ""), shlex.quote(c.get("params") or ""), c["rc"])
PY
)
  eval "options=$options params=$params"
  args=()
  [ -n "$options" ] && args+=(-o "$options")
  [ -n "$params" ] && args+=(-p "$params")
  out=$(mktemp) err=$(mktemp)
  (cd "$dir" && LC_ALL=C "$qjintp" "${args[@]}" t.scr >"$out" 2>"$err")
  status=$?
  sed -i -E "s/^('.*' (start script processing|end of script processing)) - .*/\1 - <TIME>/" "$out"
  if [ "$status" = "$rc" ] && diff -u "$dir/stdout" "$out" >/dev/null && diff -u "$dir/stderr" "$err" >/dev/null; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $name (exit $status, expected $rc)"
    diff -u "$dir/stdout" "$out" | head -20
    diff -u "$dir/stderr" "$err" | head -20
  fi
  rm -f "$out" "$err"
done
echo "golden: $pass passed, $fail failed"
[ "$fail" = 0 ]
