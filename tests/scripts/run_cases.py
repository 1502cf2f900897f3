#!/usr/bin/env python3
"""Runs the host on every script case of the given files, each in a fresh folder as t.scr, and
compares its trace (stdout between the start and the end message), its log (stderr) and its
result (exit status 0 for the result 1, else 1). A case file holds one group of behaviour:

  === case-name
  options: C           run options; by default "NT", or "" when a trace is given
  result: 0            by default 1 when no log is expected, else 0
  --- script           the lines of t.scr
  --- trace            expected trace between the start and the end message (optional)
  --- log              expected log (optional; none by default)

or, instead of the script, a table of lines that each fail alone as the body of Main, or of
whole scripts that each fail (options as above; after and declare only for lines):

  after: EndIf         a line that follows each statement (optional)
  --- declare          the lines between Declare and EndDeclare (optional)
  --- failing lines    "STATEMENT => MESSAGE", MESSAGE the error logged on the statement's line
  --- failing scripts  "LINE|LINE... => (N): MESSAGE", MESSAGE the error of the script's line N

Lines before the first case, "#" lines in a header and "//" lines of a table are comments.
Trailing empty lines of a section are dropped; <cases> in a trace stands for the file's folder.
Arguments: the host command, then the case files."""
import os
import re
import subprocess
import sys
import tempfile

TIME = re.compile(r"^('.*' (start script processing|end of script processing)) - .*$", re.M)
KNOWN = {"name", "options", "result", "script", "trace", "log"}
TABLE = {"name", "options", "after", "declare", "failing lines", "failing scripts"}


def cases(path):
    found, case, section = [], None, None
    with open(path, encoding="utf-8", newline="") as lines:
        for line in lines:
            line = line.removesuffix("\n")
            if line.startswith("=== "):
                case, section = {"name": line[4:]}, None
                found.append(case)
            elif case is None:
                continue
            elif line.startswith("--- "):
                section = line[4:]
                case[section] = ""
            elif section:
                case[section] += line + "\n"
            elif line and not line.startswith("#"):
                key, _, value = line.partition(":")
                case[key] = value.strip()
    return [row for case in found for row in rows(case)]


def rows(case):
    """One case a row of a table of failing lines or scripts; a faulty table is a failing case."""
    whole = "failing scripts" in case
    if not whole and "failing lines" not in case:
        return [case]
    declare = case.get("declare", "").strip("\n")
    head = f"Declare\n{declare}\nEndDeclare\n" if declare else ""
    line = head.count("\n") + 2
    after = case["after"] + "\n" if "after" in case else ""
    found = []
    for row in case["failing scripts" if whole else "failing lines"].splitlines():
        if not row or row.startswith("//"):
            continue
        statement, arrow, message = row.partition(" => ")
        if not arrow or not TABLE.issuperset(case):
            return [{"name": case["name"], "table": row}]
        statement = statement.rstrip()
        script = statement.replace("|", "\n")
        if not whole:
            script, message = f"{head}Main\n{statement}\n{after}EndMain", f"({line}): {message}"
        found.append({"name": f"{case['name']}: {statement}", "options": case.get("options", "NT"),
                      "script": script + "\n", "log": f"Script error: t.scr {message}\n"})
    return found


def run(host, case, folder_shown):
    if not KNOWN.issuperset(case) or not case.get("script", "").strip():
        return [f"a case needs a script and holds only {sorted(KNOWN)}, or a table of failing "
                f"lines and only {sorted(TABLE)}: {case}"]
    for section in set(case) & {"script", "trace", "log"}:
        case[section] = case[section].rstrip("\n") + "\n" if case[section].strip("\n") else ""
    options = case.get("options", "" if "trace" in case else "NT")
    args = [host] + (["-o", options] if options else [])
    with tempfile.TemporaryDirectory(prefix="qjcase") as folder:
        with open(os.path.join(folder, "t.scr"), "w", encoding="utf-8", newline="") as script:
            script.write(case["script"])
        done = subprocess.run(args + ["t.scr"], cwd=folder, capture_output=True, timeout=120,
                              env=dict(os.environ, LC_ALL="C"))
    out = TIME.sub(r"\1", done.stdout.decode("utf-8", "replace")).replace(folder_shown, "<cases>")
    log = done.stderr.decode("utf-8", "replace")
    result = int(case.get("result", 0 if case.get("log") else 1))
    problems = []
    if "trace" in case:
        framed = (f"'t.scr' start script processing\n{case['trace']}"
                  "'t.scr' end of script processing\n")
        if out != framed:
            problems.append(f"trace:\n{out}expected:\n{framed}")
    if log != case.get("log", ""):
        problems.append(f"log:\n{log}expected:\n{case.get('log', '')}")
    if done.returncode != (0 if result == 1 else 1):
        problems.append(f"exit status {done.returncode}, expected the result {result}")
    return problems


def main():
    host, failed, count = sys.argv[1], 0, 0
    for path in sys.argv[2:]:
        for case in cases(path):
            count += 1
            problems = run(host, case, os.path.dirname(os.path.abspath(path)))
            if problems:
                failed += 1
                print(f"FAIL {os.path.basename(path)} {case['name']}\n" + "\n".join(problems))
    print(f"cases: {count - failed} passed, {failed} failed")
    sys.exit(1 if failed or not count else 0)


if __name__ == "__main__":
    main()
