#!/usr/bin/env bash
# An interrupt (the host's QJIPBreak) while an action waits ends the action and the run at
# once: qjintp ends within seconds with an interrupt's status, the program is killed and the
# trace says why.
set -u
qjintp=$1
script=$2
out=$(mktemp) err=$(mktemp) pidfile=$(mktemp)
trap 'rm -f "$out" "$err" "$pidfile"' EXIT
LC_ALL=C "$qjintp" -p "\"$pidfile\"" "$script" >"$out" 2>"$err" &
host=$!
sleep 0.5
start=$SECONDS
kill -INT "$host"
wait "$host"
status=$?
fail=0
[ "$status" = 130 ] || { echo "exit status $status, expected 130"; fail=1; }
[ $((SECONDS - start)) -le 3 ] || { echo "took $((SECONDS - start)) s to end"; fail=1; }
grep -q 'ActRun "sh": killed with its process group, the run was cancelled' "$out" ||
  { echo "no cancel line in the trace"; fail=1; }
grep -q "Script processing cancelled by user" "$err" || { echo "no cancel error"; fail=1; }
# Gone, or a zombie waiting for init: either way no longer running.
pid=$(cat "$pidfile")
state=$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)
[ -n "$pid" ] && [ -z "$state" -o "$state" = Z ] || { echo "program $pid still running"; fail=1; }
[ "$fail" = 0 ] || { cat "$out" "$err"; exit 1; }
echo "cancel: passed"
