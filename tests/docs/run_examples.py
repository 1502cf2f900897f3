#!/usr/bin/env python3
"""The docs keep up with the code, and every example works: the editor help, the reference and
the editor grammars against the registry of built-ins and the error texts; the scripts of
examples/ as their headers say; the reference's scripts checked, and run for real on a folder of
their own where they act on nothing else, with the results the reference gives; the C examples
of embedding.md compile. Undeclared names follow the reference: str... and s are Strings, obj...
objects of the sample server, all others Numbers.
Arguments: qjintp, the sample server library, the source folder, a C compiler."""
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time

qjintp, server, src, cc = [os.path.abspath(a) if os.sep in a else a for a in sys.argv[1:5]]
doc = open(f"{src}/docs/language.md", encoding="utf-8").read()
registry = open(f"{src}/src/builtins/registry.cpp", encoding="utf-8").read()
help_source = open(f"{src}/tools/qjintp/editor/builtin_help.cpp", encoding="utf-8").read()
strings = open(f"{src}/src/res/strings.cpp", encoding="utf-8").read()
LETTER = {"NUM": "N", "STR": "S", "NONE": "none"}
KNOWN = set(re.findall(r'^\s*\{"(\w+)",', registry, re.M)) | {
    "Declare", "EndDeclare", "Main", "EndMain", "Proc", "EndProc", "If", "EndIf", "While",
    "EndWhile", "Return", "Number", "String", "Object", "TRUE", "FALSE", "Null", "Esc", "NoEsc"}
# Actions and drives reach beyond any folder; Exit ends a run with status 1.
CHECK_ONLY = {"ActRun", "ActIDRun", "Dismount", "CloseMeldStart", "Exit"}
LITERAL = r'"(?:\\.|[^"\\])*"'
# The scripts of examples/: values, exit status, a line of the output (a regular expression).
# The backup example runs on real trees in the file library's tests; here on a missing folder.
EXAMPLES = [
    ("hello.scr", [], 0, r'hello.scr \(23\): strLine = "hello.scr"'),
    ("params.scr", ["Ada", "2"], 0, r'params.scr \(19\): strGreeting = "Hello, Ada"'),
    ("params.scr", ["Ada", "x"], 1, r"Error converting to numeric value"),
    ("procedures.scr", [], 0, r"procedures.scr \(22\): nCount = 15"),
    ("environment.scr", [], 0, r'environment.scr \(18\): strDir = "/var/tmp/qjintp-example"'),
    ("backup.scr", ["/nonexistent/qjintp-example", "/nonexistent/qjintp-backup"], 1,
     r"backup failed with result -1"),
    ("automation.scr", [], 0, r'automation.scr \(21\): strText = "The answer is 42"'),
    ("dbus.scr", [], 0, r'dbus.scr \(15\): strNames = "org.freedesktop.DBus;:1.[0-9]+"'),
]


def fields(row):
    """The values of a row of C string literals: adjacent literals make one value."""
    values, current = [], ""
    for token in re.findall(r'"(?:\\.|[^"\\])*"|,', row):
        if token == ",":
            values, current = values + [current], ""
        else:
            current += token[1:-1].replace('\\"', '"').replace("\\\\", "\\")
    return values + [current]


def examples():
    """(place, lines, {line index: (name, value)}, {name: first value}) for every example."""
    for m in re.finditer(r"^( *)```\n(.*?)^ *```", doc, re.M | re.S):
        lines = [line.strip() for line in m.group(2).splitlines()]
        claims = {i: c.groups() for i, line in enumerate(lines)
                  if (c := re.search(r"//.*\b(\w+) is (-?\d+)\b", line))}
        yield f"block at line {doc.count(chr(10), 0, m.start()) + 1}", lines, claims, {}
    header = ""
    for number, row in enumerate(doc.splitlines(), 1):
        if not row.startswith("|"):
            header = ""
            continue
        header = header or row
        cell = row.rstrip(" |").split(" | ")[-1]
        code = re.findall(r"`([^`]*)`", cell)
        if not header.rstrip(" |").endswith("Example") or row == header or not code:
            continue
        gives = re.search(r"` gives `?(-?[^`\s]+)", cell)
        turns = re.search(r"turns `([^`]*)` into `([^`]*)`", cell)
        statement = code[0]
        target = re.match(r"(\w+) = |\w+\((\w+)", statement)
        claims, first = {}, {}
        if gives:
            claims[0] = (target.group(1), gives.group(1))
        elif turns:
            claims[0] = (target.group(2), turns.group(2))
            first[target.group(2)] = turns.group(1)
        yield f"table row at line {number}", [statement], claims, first


def build(lines, claims, first):
    """The whole script and {script line: expected trace text after "(line): "}."""
    text = [re.sub(r"//.*", "", re.sub(LITERAL, '""', line)) for line in lines]
    declared = {m.group(1) for t in text if (m := re.match(r"(?:Number|String|Object) (\w+)", t))}
    procs = {m.group(1) for t in text if (m := re.match(r"Proc (\w+)", t))}
    used = {w for t in text for w in re.findall(r"(?<![.\w])([A-Za-z_]\w*)", t)}
    header = ["Declare"]
    kinds = {}
    for name in sorted(used - KNOWN - declared - procs):
        if re.fullmatch(r"Param\d+", name):
            continue
        if name.startswith("obj"):
            header.append(f'Object {name}("QJSample.Server")')
        elif name.startswith("str") or name in ("s", "t"):
            kinds[name] = "Str"
            header.append(f'String {name} = "{first.get(name, "")}"')
        else:
            kinds[name] = "Num"
            header.append(f"Number {name} = 0")
    header.append("EndDeclare")
    whole = "Main" in text
    body, expected = [], {}
    for i, line in enumerate(lines):
        body.append(line)
        if i in claims:
            name, value = claims[i]
            kind = kinds.get(name, "Num" if value.lstrip("-").isdigit() else "Str")
            body.append(f"DebugPrint{kind}({name})")
            expected[len(header) + len(body) + (0 if whole else 1)] = (
                f"{name} = {value}" if kind == "Num" else f'{name} = "{value}"')
    if whole:
        return "\n".join(header + body) + "\n", expected
    if all(t == "" or t.startswith(("Number", "String", "Object", "#", "Declare", "EndDeclare"))
           for t in text):
        if "Declare" not in text:
            body = ["Declare", *body, "EndDeclare"]
        return "\n".join([*body, *header, "Main", "EndMain"]) + "\n", {}
    if procs:
        return "\n".join([*header, "Main", *sorted(procs), "EndMain", *body]) + "\n", {}
    return "\n".join([*header, "Main", *body, "EndMain"]) + "\n", expected


def fixture(work):
    """The folder the reference's file examples work on."""
    root = tempfile.mkdtemp(dir=work)
    for folder in ("photos/2025", "backup"):
        os.makedirs(f"{root}/{folder}")
    for name in ("a.jpg", "b.png", "notes.txt", "2025/c.jpg"):
        pathlib.Path(f"{root}/photos/{name}").write_text(name)
    old = time.time() - 100 * 86400
    os.utime(f"{root}/photos/notes.txt", (old, old))
    return root


def acts_at_home(script):
    """True when the script may run for real: no action or drive, and file names that stay in
    the folder it runs in."""
    literals = [s.strip('"') for s in re.findall(LITERAL, script)]
    far = [s for s in literals if s.startswith(("/", "\\", "~")) or ".." in s or ":" in s]
    return not (set(re.findall(r"\w+", script)) & CHECK_ONLY) and not (
        far and re.search(r"\bPVW", script))


def run(script_path, cwd, options):
    return subprocess.run([qjintp, *options, script_path, "Ada", ""], cwd=cwd, text=True,
                          capture_output=True, timeout=60)


def private_bus():
    """A session bus of this run's own for the D-Bus examples, or None (and the reason) where
    there can be none. No example reaches a bus of the machine."""
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=/nonexistent/qjintp-no-bus"
    os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"]
    if os.environ.get("QJ_DBUS_OBJECTS", "ON") != "ON":
        return None, "this build has no D-Bus objects"
    if not shutil.which("dbus-daemon"):
        return None, "dbus-daemon is not installed"
    bus = subprocess.Popen(["dbus-daemon", f"--config-file={src}/tests/dbus/bus.conf", "--nofork",
                            "--print-address=1"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    return bus, ""


# The reference, the help and the editor files against the code.
problems = []
rows = re.findall(r'\{"(\w+)",\s*\w+,\s*(\w+),\s*\{([^}]*)\},\s*\{([^}]*)\}\}', registry)
builtins = [row[0] for row in rows]
helps = [fields(m.group(1))
         for m in re.finditer(r'^\s*\{("\w+\(.*?)\},$', help_source, re.M | re.S)]
reference = {m.group(2): m.group(1, 3, 4, 5) for m in re.finditer(
    r"^\| `((\w+)\([^`]*\))` \| (\w+) \| ([^|]*?) \|(.*)$", doc, re.M)}
if len(builtins) != 58:
    problems.append(f"the registry lists {len(builtins)} built-ins, not 58")
if [h[0].split("(")[0] for h in helps] != builtins:
    problems.append("the help does not name the registry's built-ins in their order")
for (name, result, types, marks), (signature, help_result, summary) in zip(rows, helps):
    params = [p.split() for p in re.search(r"\((.*)\)", signature).group(1).split(", ") if p]
    outs = [i for i, mark in enumerate(m.strip() for m in marks.split(",")) if mark == "OUT"]
    expected = [LETTER[t.strip()] for t in types.split(",") if t.strip()]
    if [p[0] for p in params] != expected or help_result != LETTER[result]:
        problems.append(f"{signature} -> {help_result}: the registry has "
                        f"({', '.join(expected)}) -> {LETTER[result]}")
    if [i for i, p in enumerate(params) if p[1:] == ["out"]] != outs:
        problems.append(f"{signature}: the registry's outputs are the parameters {outs}")
    row = reference.get(name)
    if (row is None or row[0] != signature or row[1] != help_result
            or not row[2].startswith(summary) or f"{name}(" not in row[3]):
        problems.append(f"{signature} -> {help_result}, '{summary}...', an example: the "
                        f"reference has {row!r}")
problems += [f"{name} has a row but is no built-in" for name in reference if name not in builtins]

for path in ("editors/qjscript.tmLanguage.json", "editors/vim/syntax/qjscript.vim"):
    words = set(re.findall(r"\w+", open(f"{src}/{path}", encoding="utf-8").read()))
    problems += [f"{path} does not know {name}" for name in builtins if name not in words]
if shutil.which("vim"):  # the Vim syntax file loads and marks a script's file type
    typed = 'if &filetype !=# "qjscript" || !exists("b:current_syntax") | cquit | endif'
    vim = subprocess.run(["vim", "-Nu", "NONE", "-i", "NONE", "-es", "--cmd",
                          f"set rtp^={src}/editors/vim", "-c", "syntax on", "-c",
                          f"edit {src}/editors/tests/structure.scr", "-c", typed, "-c", "qall!"],
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
    if vim.returncode != 0:
        problems.append(f"the Vim syntax file does not load: {vim.stdout}{vim.stderr}")

# Error code c has the text of string id c + 2.
for sid, text in re.findall(r'^\s*\{(\d+), "([^"]*)"\}', strings, re.M):
    code = int(sid) - 2
    if not re.search(rf"^\| {code} \| {re.escape(text)} \|", doc, re.M):
        problems.append(f"error {code} ({text}) has no row with its exact text")

bus, no_bus = private_bus()
with tempfile.TemporaryDirectory() as work:
    for name in ("QJ_TRACE", "QJ_LOG", "QJ_CLASSES", "QJ_ACTION_PARAM"):
        os.environ.pop(name, None)
    os.environ.update(XDG_CONFIG_HOME=f"{work}/config", QJ_ENV_FILE=f"{work}/env.ini")
    subprocess.run([qjintp, "--register", server], check=True, capture_output=True)
    for script, values, status, line in EXAMPLES:
        if no_bus and script == "dbus.scr":
            print(f"SKIP {script}: {no_bus}")
            continue
        done = subprocess.run([qjintp, script, *values], cwd=f"{src}/examples", text=True,
                              capture_output=True, timeout=60)
        if done.returncode != status or not re.search(line, done.stdout + done.stderr):
            problems.append(f"examples/{script} {values}: status {done.returncode} (expected "
                            f"{status}): {done.stdout[-500:]}{done.stderr}")
    problems += [f"examples/{name} has no row" for name in os.listdir(f"{src}/examples")
                 if name.endswith(".scr") and name not in {row[0] for row in EXAMPLES}]
    count = 0
    for count, (place, lines, claims, first) in enumerate(examples(), 1):
        script, expected = build(lines, claims, first)
        if no_bus and "dbus:" in script:
            print(f"SKIP {place}: {no_bus}")
            continue
        path = f"{work}/ex{count}.scr"
        pathlib.Path(path).write_text(script)
        checked = run(path, work, ["-o", "C"])
        if checked.returncode != 0 or checked.stderr:
            problems.append(f"{place}: -o C ends with {checked.returncode}: {checked.stderr}")
            continue
        if not acts_at_home(script):
            continue
        done = run(path, fixture(work), [])
        if done.returncode != 0 or done.stderr:
            problems.append(f"{place}: the run ends with {done.returncode}: {done.stderr}")
        for line, text in expected.items():
            if f"ex{count}.scr ({line}): {text}\n" not in done.stdout:
                problems.append(f"{place}: does not give {text}")
    if count < 60:
        problems.append(f"only {count} examples found")

    embedding = open(f"{src}/docs/embedding.md", encoding="utf-8").read()
    for i, block in enumerate(re.findall(r"^```c\n(.*?)^```", embedding, re.M | re.S)):
        compiled = subprocess.run([cc, "-fsyntax-only", "-Wall", "-Wextra", "-Werror", "-x", "c",
                                   f"-I{src}/include", "-"], input=block, text=True,
                                  capture_output=True)
        if compiled.returncode != 0:
            problems.append(f"embedding.md C example {i + 1}: {compiled.stderr}")

if bus:
    bus.terminate()
for problem in problems:
    print("FAIL:", problem)
sys.exit(1 if problems else 0)
