# The stopwatch of bench/compare, which reads a child's CPU time to the microsecond where
# bash's "time" gives milliseconds.
#
#   python3 cputime.py OUT ERR COMMAND...
#
# Runs the command with its standard output and error in the two files, prints the CPU time
# (user + system) it took in seconds, and exits with the command's exit status.
import os
import sys

out, err, *command = sys.argv[1:]
pid = os.fork()
if pid == 0:
    try:
        os.dup2(os.open(out, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 1)
        os.dup2(os.open(err, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644), 2)
        os.execvp(command[0], command)
    finally:
        os._exit(127)
_, status, usage = os.wait4(pid, 0)
print(f"{usage.ru_utime + usage.ru_stime:.6f}")
sys.exit(os.waitstatus_to_exitcode(status))
