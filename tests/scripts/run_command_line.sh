#!/usr/bin/env bash
# The host's command line: each option and signal with its exit status and message, and what a
# careless caller gives it (scripts that are no regular files, lost output, a small stack).
# Arguments: qjintp, the sample server library.
set -u
qjintp=$1
server=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME=$work/config TMPDIR=$work/tmp
unset QJ_CLASSES QJ_TRACE QJ_LOG
mkdir -p "$TMPDIR"
fail=0

failed() { echo "FAIL $*"; fail=1; }
matches() {  # file, pattern ("" for an empty file)
  if [ -z "$2" ]; then [ ! -s "$1" ]; else grep -qE -- "$2" "$1"; fi
}
no_temporaries() { [ -z "$(ls "$TMPDIR")" ] || failed "$1: temporary file left behind"; }
check() {  # name, expected status, expected stdout pattern, expected stderr pattern, command...
  local name=$1 status=$2 out=$3 err=$4
  shift 4
  "$@" >stdout 2>stderr
  local actual=$?
  if [ "$actual" != "$status" ] || ! matches stdout "$out" || ! matches stderr "$err"; then
    failed "$name: status $actual (expected $status)"
    sed 's/^/  stdout: /' stdout | head -5
    sed 's/^/  stderr: /' stderr | head -5
  fi
}

printf 'Main\nDebugPrintStr(Param1)\nDebugPrintStr(Param2)\nEndMain\n' >params.scr
printf 'Declare\nNumber n = 0\nEndDeclare\nMain\nWhile (n == 0)\nEndWhile\nEndMain\n' >loop.scr
printf 'Declare\nObject o("QJSample.Server")\nNumber n = 0\nEndDeclare\nMain\nn = o.Sum(2, 3)\nDebugPrintNum(n)\nEndMain\n' >object.scr

check help 0 '--register LIBRARY' '' "$qjintp" --help
check help-every-option 0 '--timeout SECONDS' '' "$qjintp" -h
check version 0 '^qjintp [0-9]+\.[0-9]+\.[0-9]+$' '' "$qjintp" --version
check values 0 'params.scr \(3\): Param2 = "-5"' '' "$qjintp" params.scr a -5
check value-with-quote 2 '' 'cannot hold a double quote' "$qjintp" params.scr 'a"b'
check values-and-p 2 '' 'either with -p or after' "$qjintp" -p '"a"' params.scr b
check long-option-with-equals 0 'Param1 = "x"' '' "$qjintp" --params='"x" "y"' params.scr
check double-dash-ends-options 2 '' 'unknown option --nope' "$qjintp" --nope -- params.scr
check double-dash 0 'Param1 = "--quiet"' '' "$qjintp" -- params.scr --quiet x
check stdin 0 '\(2\): Param1 = "in"' '' "$qjintp" - in out <params.scr
no_temporaries stdin
check quiet 0 '' '' "$qjintp" --quiet params.scr a b
check quiet-keeps-errors 1 '' 'Unknown identifier' "$qjintp" -q - <<<$'Main\nnope\nEndMain'
check timeout-needs-seconds 2 '' '--timeout needs a whole number' "$qjintp" --timeout 0 loop.scr
SECONDS=0
check timeout 124 '' 'time limit \(1 s\) was reached' "$qjintp" -q --timeout 1 loop.scr
[ "$SECONDS" -le 5 ] || failed "timeout: the run took $SECONDS s"
# A script that never comes: the time limit and an interrupt end the reading too.
exec 3< <(exec sleep 30 2>/dev/null)
writer=$!
SECONDS=0
check timeout-reading 124 '' 'time limit \(1 s\) was reached' "$qjintp" --timeout 1 - <&3
[ "$SECONDS" -le 5 ] || failed "timeout-reading: took $SECONDS s"
ready() {  # a file with text in it, or a folder with a file in it
  if [ -d "$1" ]; then [ -n "$(ls "$1")" ]; else [ -s "$1" ]; fi
}
signalled() {  # name, signal, status, what shows that the run started, qjintp's arguments
  local name=$1 signal=$2 status=$3 started=$4
  shift 4
  rm -f stdout  # the last run's text must not pass for this one's start
  "$qjintp" "$@" >stdout 2>stderr <&3 &
  local pid=$! tries=0
  until ready "$started" || [ $((tries += 1)) -gt 100 ]; do sleep 0.1; done
  kill -"$signal" "$pid"
  wait "$pid"
  local actual=$?
  [ "$actual" = "$status" ] || failed "$name: status $actual (expected $status)"
}
for signal in INT:130 TERM:143; do
  signalled "SIG${signal%:*}" "${signal%:*}" "${signal#*:}" stdout loop.scr
  grep -q 'cancelled by user' stderr || failed "SIG${signal%:*}: $(cat stderr)"
done
signalled sigint-reading INT 130 "$TMPDIR" -
no_temporaries sigint-reading
# An interrupt while an action waits for its program ends the program's process group at once.
printf 'Declare\nNumber n = 0\nString out = ""\nEndDeclare\nMain\n%s\nEndMain\n' \
  "n = ActRun(0, \"sh\", \"-c 'echo \$\$ >pid; exec sleep 60'\", Null, 1, out, 0)" >action.scr
SECONDS=0
signalled sigint-action INT 130 pid action.scr
[ "$SECONDS" -le 5 ] || failed "sigint-action: took $SECONDS s"
grep -q 'ActRun "sh": killed with its process group, the run was cancelled' stdout &&
  grep -q 'cancelled by user' stderr || failed "sigint-action: $(cat stdout stderr)"
state=$(awk '{print $3}' "/proc/$(cat pid)/stat" 2>/dev/null)
[ -z "$state" ] || [ "$state" = Z ] || failed "sigint-action: the program is still running"
kill "$writer"
exec 3<&-
for name in TRACE LOG; do
  check "$name-variable-unopenable" 2 '' "cannot open QJ_$name file '$work/no/f'" \
    env "QJ_$name=$work/no/f" "$qjintp" params.scr
done
check object-before-register 1 '' 'Error creating IDispatch' "$qjintp" -q object.scr
check register-missing 1 '' 'cannot register nope.so' "$qjintp" --register nope.so
check register-no-entry 1 '' 'no DllRegisterServer entry' "$qjintp" --register "$(dirname "$qjintp")/libqjclog.so"
check register 0 'registered' '' "$qjintp" --register "$server"
grep -q "^QJSample.Server {" "$XDG_CONFIG_HOME/qjintp/classes" || failed "register: no line"
check object-after-register 0 'Literal = 5|n = 5' '' "$qjintp" object.scr
# A text of 10,240 bytes, and one of two lines whose first is cut inside a UTF-8 character.
printf 'Declare\nNumber n = 0\nString s = "0123456789"\nString u = "\303\251\303\251\\nab"\nEndDeclare\nMain\nWhile (n != 10)\nConcat(s, s)\nn += 1\nEndWhile\nDebugPrintStr(s)\nDebugPrintStr(u)\nEndMain\n' >long.scr
check trace-line-cut 0 '^long\.scr \(11\): s = "0123[0-9]+ \[\.\.\. 2069 bytes left out\]$' '' "$qjintp" long.scr
check trace-line-uncut 0 '^long\.scr \(11\): s = "[0-9]+"$' '' env QJ_TRACE_LINE_MAX=0 "$qjintp" long.scr
check trace-line-whole-character 0 '^long\.scr \(12\): u = " \[\.\.\. 4 bytes left out\]$' '' \
  env QJ_TRACE_LINE_MAX=21 "$qjintp" long.scr
grep -qx 'ab"' stdout || failed "trace-line-whole-character: the second line was cut"

# What a careless caller gives it. A script that traces a line per pass, then fails on its last
# line: a log that holds that failure shows that the run went on to its end.
chatty() {  # passes
  printf 'Declare\nNumber i = 0\nEndDeclare\nMain\nWhile (i != %s)\ni += 1\n' "$1"
  printf 'DebugPrintNum(i)\nEndWhile\nTheEnd\nEndMain\n'
}
chatty 20000 >chatty.scr
chatty 100000000 >endless.scr
ran_to_the_end() {  # name
  grep -qF "Script error: chatty.scr (9): 'TheEnd' - Unknown identifier" log ||
    failed "$1: the run did not go on to its end"
}
# Only a regular file is a script: nothing else is read, and nothing waits. A link is followed
# to its script; a regular file that cannot be read is a read error.
mkdir folder.scr
mkfifo fifo.scr
for script in folder.scr fifo.scr /dev/zero; do
  check "$script" 1 'start script' "^Script error: '$script' - Error opening script file$" \
    timeout -k 1 5 "$qjintp" "$script"
done
ln -s chatty.scr link.scr
check link 1 'start script' "^Script error: link\.scr \(9\): 'TheEnd' - Unknown identifier$" \
  "$qjintp" link.scr
check /proc/self/mem 1 'start script' "\(1\): '/proc/self/mem' - Error reading script file$" \
  "$qjintp" /proc/self/mem
# A class registry that is no regular file names no classes, and is not read.
check "registry /dev/zero" 1 'start script' 'CO_E_CLASSSTRING' \
  env QJ_CLASSES=/dev/zero timeout -k 1 5 "$qjintp" object.scr
# Trace output that cannot be written, or whose reader goes away, is reported once the run is
# over; it costs the trace, not the rest of the run.
check "trace to a full device" 1 '' '^qjintp: trace output lost: No space left on device$' \
  sh -c '"$0" --log log chatty.scr >/dev/full' "$qjintp"
ran_to_the_end "trace to a full device"
check "trace to a closed stdout" 1 '' '^qjintp: trace output lost: Bad file descriptor$' \
  sh -c '"$0" chatty.scr >&-' "$qjintp"
check "unopenable trace file" 2 '' \
  "cannot open --trace file 'no-such-folder/trace': No such file or directory" \
  "$qjintp" --trace no-such-folder/trace chatty.scr
rm log
check "reader gone" 1 '' '^qjintp: trace output lost: Broken pipe$' \
  bash -c '"$0" --log log chatty.scr | head -c 10 >/dev/null; exit "${PIPESTATUS[0]}"' "$qjintp"
ran_to_the_end "reader gone"

# A run that waits on a pipe nobody reads cannot see a cancel; the second SIGTERM ends it.
mkfifo pipe
exec 3<>pipe
"$qjintp" endless.scr >pipe 2>/dev/null &
pid=$!
sleep 1
kill -TERM "$pid"
sleep 0.5
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$pid" 2>/dev/null  # still running after 5 s: its status is 137
wait "$pid"
status=$?
exec 3>&-
[ "$status" = 143 ] || failed "second SIGTERM: status $status (expected 143)"

# The stack guard holds on a small main stack too. A program that a script starts gets the
# descriptor limit qjintp was started with, not the raised one qjintp copies with.
printf 'Main\np\nEndMain\nProc p\np\nEndProc\n' >recursion.scr
check "recursion on a 64 KB stack" 1 'start script' "'Nesting too deep' - Block error" \
  sh -c 'ulimit -s 64 && exec "$0" recursion.scr' "$qjintp"
printf 'Declare\nNumber n = 0\nString out = ""\nEndDeclare\nMain\n%s\nDebugPrintStr(out)\nEndMain\n' \
  "n = ActRun(0, \"sh\", \"-c 'ulimit -Sn'\", Null, 1, out, 5000)" >limit.scr
check "descriptor limit of a started program" 0 'out = "200"' '' \
  sh -c 'ulimit -Sn 200 && exec "$0" limit.scr' "$qjintp"
exit $fail
