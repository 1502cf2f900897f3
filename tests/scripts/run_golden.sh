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
  # One value a line: options and parameters may hold blanks and quotes.
  { IFS= read -r options; IFS= read -r params; read -r rc; } < <(python3 - "$dir/case.json" <<'PY'
import json, sys
c = json.load(open(sys.argv[1]))
print(c.get("options") or "")
print(c.get("params") or "")
print(c["rc"])
PY
)
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
