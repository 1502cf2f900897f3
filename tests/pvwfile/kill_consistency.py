#!/usr/bin/env python3
"""Kills qjintp with SIGKILL at random moments of a copy, move or equalise on generated trees,
then checks what a user would find: every file under its real name in the target is wholly its
old or wholly its new content, no file of a move is lost, nothing outside the target changed,
and the next run removes the temporaries and completes the job. The same seed gives the same
trees and moments. A line per problem found, then a summary; exit status 0 when none failed.
    kill_consistency.py QJINTP [KILLS [SEED]]"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

OPS = [("copy", "PVWCopy"), ("move", "PVWMove"), ("equalise", "PVWEqualize")]
MOVE = 1
# What can go wrong, in the order of the summary.
HALF_WRITTEN, LOST, OUTSIDE, NOT_COMPLETED, TEMPORARIES = PROBLEMS = [
    "half-written or foreign file", "file of a move lost", "changed outside the target",
    "next run did not complete", "temporaries left after the next run"]
# A result below zero (the library's failure codes) ends the run with exit status 1.
SCRIPT = ("Declare\nNumber n = 0\nNumber nFailed = 0\nEndDeclare\nMain\nnFailed -= 1\n"
          "PVWSetAnswerYesForDelete(1)\nn = {}(Param1, Param2, 1, Null)\n"
          "If (n <= nFailed)\nExit(1)\nEndIf\nEndMain\n")


def is_temporary(name):
    """A hidden ".name.pvw..." file of the library's, or anything in such a folder."""
    return any(part.startswith(".") and ".pvw" in part for part in Path(name).parts)


def tree(root):
    """Everything under root by relative name: files as bytes, links as "@target", folders "/"."""
    found = {}
    for folder, dirs, names in os.walk(root):
        for path in (Path(folder, name) for name in dirs + names):
            found[str(path.relative_to(root))] = ("@" + os.readlink(path) if path.is_symlink()
                                                  else "/" if path.is_dir() else path.read_bytes())
    return found


def files(root):
    """The files of the tree at root, without folders, links and the library's temporaries."""
    return {name: data for name, data in tree(root).items()
            if isinstance(data, bytes) and not is_temporary(name)}


def write(path, data):
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    Path(path).write_bytes(data)


def content(name, version, size):
    """Content that tells which version of which file it is, and is whole only at its size."""
    unit = f"{version}:{name};".encode()
    return (unit * (size // len(unit) + 1))[:size]


def make_case(rng, op):
    """The source's and the target's files before the operation, and the target's after it."""
    source, target = {}, {}
    for i in range(rng.randint(20, 60)):
        name = f"f{i}.dat"
        for _ in range(rng.randint(0, 2)):
            name = f"d{rng.randint(0, 3)}/{name}"
        # A few large files, so that kills also land inside one file's copy.
        big = rng.randint(0, 9) == 0
        source[name] = content(name, "new", rng.randint(256 << 10, 2 << 20) if big
                               else rng.randint(0, 16 << 10))
        # Some names the target already has in an old version, some only the target has.
        if rng.randint(0, 2) == 0:
            target[name] = content(name, "old", rng.randint(0, 16 << 10))
        if rng.randint(0, 4) == 0:
            target["x" + name] = content("x" + name, "old", rng.randint(0, 4096))
    expected = {} if OPS[op][0] == "equalise" else dict(target)
    expected.update(source)
    return source, target, expected


def move_source_dir():
    """Another file system than the target's where the machine has one in memory, so that the
    move copies and then removes instead of renaming."""
    temp, shm = tempfile.gettempdir(), "/dev/shm"
    on_other = os.path.isdir(shm) and os.stat(shm).st_dev != os.stat(temp).st_dev
    return shm if on_other and os.access(shm, os.W_OK) else temp


def point(qjintp, op, case, kill_after):
    """One kill point in folders of its own: runs, kills after kill_after seconds, checks, runs
    again and checks. Answers a whole run's duration when kill_after is zero, whether the kill
    found qjintp running, and the first problem of each kind found."""
    source, target, expected = case
    root = tempfile.mkdtemp(prefix="pvwkill-")
    source_root = tempfile.mkdtemp(prefix="pvwkill-", dir=move_source_dir()) if op == MOVE else root
    src, dst, canary = f"{source_root}/src", f"{root}/dst", f"{root}/canary"
    problems = {}

    def run(after):
        """qjintp's exit status, or minus the signal that ended it."""
        host = subprocess.Popen(
            [qjintp, "-p", f'"{src}" "{dst}"', f"{root}/run.scr"],
            env=dict(os.environ, QJ_TRACE=f"{root}/trace", QJ_LOG=f"{root}/log"))
        if after:
            time.sleep(after)
            host.kill()
        return host.wait()

    def check(found, problem, what):
        if found:
            problems.setdefault(problem, what)

    def check_outside():
        check(tree(canary) != canary_before, OUTSIDE, "the canary folder")
        check(op != MOVE and files(src) != source, OUTSIDE, "the source")

    try:
        for folder, files_in in ((src, source), (dst, target)):
            for name, data in files_in.items():
                write(f"{folder}/{name}", data)
        # A sibling of the target that no operation may touch, a link to it in the target.
        write(f"{canary}/keep.txt", b"keep")
        os.makedirs(dst, exist_ok=True)
        os.symlink(canary, f"{dst}/link")
        canary_before = tree(canary)
        write(f"{root}/run.scr", SCRIPT.format(OPS[op][1]).encode())
        if not kill_after:
            start = time.monotonic()
            run(0)
            return time.monotonic() - start, False, {}
        killed = run(kill_after) == -9
        after_src, after_dst = files(src), files(dst)
        for name, data in after_dst.items():
            check(data not in (target.get(name), source.get(name)), HALF_WRITTEN, name)
        check_outside()
        for name, data in source.items() if op == MOVE else ():
            check(data not in (after_src.get(name), after_dst.get(name)), LOST, name)
            check(after_src.get(name, data) != data, LOST, name + " (cut short)")
        status = run(0)
        check(status != 0, NOT_COMPLETED, f"exit status {status}")
        for name in filter(is_temporary, tree(dst)):
            problems.setdefault(TEMPORARIES, name)
        check(files(dst) != expected, NOT_COMPLETED, "the target differs from the source")
        check(op == MOVE and files(src), NOT_COMPLETED, "files left in the source of the move")
        check_outside()
        return 0, killed, problems
    finally:
        shutil.rmtree(root)
        if source_root != root:
            shutil.rmtree(source_root)


def main():
    if not 2 <= len(sys.argv) <= 4:
        sys.exit("usage: kill_consistency.py QJINTP [KILLS [SEED]]")
    qjintp = sys.argv[1]
    kills = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    # Each operation's time on a tree of this kind, taken once, bounds its kill moments.
    durations = [point(qjintp, op, make_case(random.Random(seed), op), 0)[0] for op in range(3)]
    counts, failed, killed = dict.fromkeys(PROBLEMS, 0), 0, 0
    for n in range(kills):
        rng = random.Random(seed * 1000003 + n)
        op = n % len(OPS)
        case = make_case(rng, op)
        kill_after = rng.uniform(1e-6, max(durations[op], 1e-6))
        _, was_killed, problems = point(qjintp, op, case, kill_after)
        killed += was_killed
        for problem, what in problems.items():
            print(f"kill point {n} ({OPS[op][0]}, killed after {kill_after * 1e6:.0f} us): "
                  f"{problem}: {what}")
            counts[problem] += 1
        failed += bool(problems)
    print(f"{kills} kill points (seed {seed}), {killed} of them while qjintp ran: {failed} failed")
    for problem, count in counts.items():
        print(f"  {problem:<40} {count}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
