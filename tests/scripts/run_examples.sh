#!/usr/bin/env bash
# Runs every script in examples/ the way its header says, with the configuration in a
# temporary folder, and checks its exit status and one line of what it prints.
# Arguments: qjintp, the sample server library, the examples folder.
set -u
qjintp=$1
server=$2
examples=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config QJ_ENV_FILE=$work/env.ini
unset QJ_CLASSES QJ_TRACE QJ_LOG
fail=0

"$qjintp" --register "$server" >/dev/null || { echo "FAIL: registering the sample server"; exit 1; }

# The D-Bus example talks to a private session bus of this run's own; no example reaches a bus
# of the machine. Without dbus-daemon, or in a build without D-Bus objects, it is skipped.
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/qjintp-no-bus
export DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS
skip_dbus=""
if [ "${QJ_DBUS_OBJECTS:-ON}" != ON ]; then
  skip_dbus="this build has no D-Bus objects"
elif ! command -v dbus-daemon >/dev/null; then
  skip_dbus="dbus-daemon is not installed"
else
  exec 3< <(exec dbus-daemon --config-file="$(dirname "$0")/../dbus/bus.conf" --nofork \
    --print-address=1 2>/dev/null)
  bus_pid=$!
  trap 'kill "$bus_pid"; rm -rf "$work"' EXIT
  read -r -t 30 DBUS_SESSION_BUS_ADDRESS <&3 || skip_dbus="dbus-daemon did not start"
fi

# script|values|status|a line of the output (extended regular expression)
# The backup example is run on real trees by the file library's tests; here on a folder that
# is not there, which it must refuse.
cases='
hello.scr||0|hello.scr \(23\): strLine = "hello.scr"
params.scr|Ada 2|0|params.scr \(19\): strGreeting = "Hello, Ada"
params.scr|Ada x|1|Error converting to numeric value
procedures.scr||0|procedures.scr \(22\): nCount = 15
environment.scr||0|environment.scr \(18\): strDir = "/var/tmp/qjintp-example"
backup.scr|/nonexistent/qjintp-example /nonexistent/qjintp-backup|1|backup failed with result -1
automation.scr||0|automation.scr \(21\): strText = "The answer is 42"
dbus.scr||0|dbus.scr \(15\): strNames = "org.freedesktop.DBus;:1.[0-9]+"
'
ran=""
while IFS='|' read -r script values status pattern; do
  [ -n "$script" ] || continue
  ran="$ran $script"
  if [ "$script" = dbus.scr ] && [ -n "$skip_dbus" ]; then
    echo "SKIP $script: $skip_dbus"
    continue
  fi
  # shellcheck disable=SC2086  # the values are words
  out=$(cd "$examples" && "$qjintp" "$script" $values 2>&1)
  actual=$?
  if [ "$actual" != "$status" ] || ! grep -qE -- "$pattern" <<<"$out"; then
    echo "FAIL $script $values: status $actual (expected $status)"
    echo "$out" | head -10
    fail=1
  fi
done <<<"$cases"

# Every example has a row: a new script without one fails here.
for file in "$examples"/*.scr; do
  name=$(basename "$file")
  [[ " $ran " == *" $name "* ]] || { echo "FAIL: $name is not run"; fail=1; }
done
exit $fail
