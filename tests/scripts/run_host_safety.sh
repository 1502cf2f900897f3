#!/usr/bin/env bash
# The host against what a careless caller gives it: scripts that are no regular files, trace
# output nobody can take, a reader that goes away, a run that a cancel cannot reach.
set -u
qjintp=$(realpath "$1")
fail=0
dir=$(mktemp -d)
trap 'exec 3>&-; rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# A script that traces a line per pass, then fails on its last line: a log that holds that
# failure shows that the run went on to its end.
chatty() {  # passes
  printf 'Declare\nNumber i = 0\nEndDeclare\nMain\nWhile (i != %s)\ni += 1\n' "$1"
  printf 'DebugPrintNum(i)\nEndWhile\nTheEnd\nEndMain\n'
}
chatty 20000 >chatty.scr
chatty 100000000 >endless.scr
last_error="Script error: chatty.scr (9): 'TheEnd' - Unknown identifier"

check() {  # name, expected status, actual status, text expected in file, file
  if [ "$3" != "$2" ] || ! grep -qF -- "$4" "$5"; then
    echo "FAIL: $1 -> status $3 (expected $2); $5: $(head -c 300 "$5")"
    fail=1
  fi
}

# Only a regular file is a script: nothing else is read, and nothing waits.
mkdir folder.scr
mkfifo fifo.scr
for script in folder.scr fifo.scr /dev/zero; do
  timeout -k 1 5 "$qjintp" "$script" >/dev/null 2>err
  check "$script" 1 $? "Script error: '$script' - Error opening script file" err
done
# A link is followed to its script; a regular file that cannot be read is a read error.
ln -s chatty.scr link.scr
"$qjintp" link.scr >/dev/null 2>err
check "link" 1 $? "Script error: link.scr (9): 'TheEnd' - Unknown identifier" err
"$qjintp" /proc/self/mem >/dev/null 2>err
check "/proc/self/mem" 1 $? "/proc/self/mem (1): '/proc/self/mem' - Error reading script file" err

# A class registry that is no regular file names no classes, and is not read.
printf 'Declare\nObject o("Some.Class")\nEndDeclare\nMain\nEndMain\n' >object.scr
QJ_CLASSES=/dev/zero timeout -k 1 5 "$qjintp" object.scr >/dev/null 2>err
check "registry /dev/zero" 1 $? "CO_E_CLASSSTRING" err

# Trace output that cannot be written is reported once the run is over.
"$qjintp" --log log chatty.scr >/dev/full 2>err
check "trace to a full device" 1 $? "qjintp: trace output lost: No space left on device" err
check "trace to a full device: the run's end" 1 1 "$last_error" log
"$qjintp" chatty.scr >&- 2>err
check "trace to a closed stdout" 1 $? "qjintp: trace output lost: Bad file descriptor" err
"$qjintp" --trace no-such-folder/trace chatty.scr 2>err
check "unopenable trace file" 2 $? "cannot open --trace file 'no-such-folder/trace': No such file or directory" err

# A reader that goes away costs the trace, not the rest of the run.
rm -f log
"$qjintp" --log log chatty.scr 2>err | head -c 10 >/dev/null
check "reader gone" 1 "${PIPESTATUS[0]}" "qjintp: trace output lost: Broken pipe" err
check "reader gone: the run's end" 1 1 "$last_error" log

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
[ "$status" = 143 ] || { echo "FAIL: second SIGTERM -> status $status (expected 143)"; fail=1; }

# The stack guard holds on a small main stack too.
printf 'Main\np\nEndMain\nProc p\np\nEndProc\n' >recursion.scr
(ulimit -s 64 && exec "$qjintp" recursion.scr >/dev/null 2>err)
check "recursion on a 64 KB stack" 1 $? "'Nesting too deep' - Block error" err
# A program that a script starts gets the descriptor limit qjintp was started with, not the
# raised one qjintp copies with.
printf 'Declare\nNumber n = 0\nString out = ""\nEndDeclare\nMain\n%s\nDebugPrintStr(out)\nEndMain\n' \
  "n = ActRun(0, \"sh\", \"-c 'ulimit -Sn'\", Null, 1, out, 5000)" >limit.scr
(ulimit -Sn 200 && exec "$qjintp" limit.scr >out 2>err)
check "descriptor limit of a started program" 0 $? 'out = "200"' out
exit $fail
