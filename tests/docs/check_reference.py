#!/usr/bin/env python3
"""The language reference and the editors keep up with the code: every built-in of the
registry has a row with its signature, result and example and is known to both editor
grammars, and every error code has a row with its exact text.
Arguments: the source folder."""
import re
import sys

src = sys.argv[1]
doc = open(f"{src}/docs/language.md", encoding="utf-8").read()
registry = open(f"{src}/src/builtins/registry.cpp", encoding="utf-8").read()
strings = open(f"{src}/src/res/strings.cpp", encoding="utf-8").read()

problems = []
builtins = re.findall(r'^\s*\{"(\w+)",', registry, re.M)
if len(builtins) != 58:
    problems.append(f"the registry lists {len(builtins)} built-ins, not 58")
rows = {m.group(1): m.group(0) for m in re.finditer(r"^\| `(\w+)\([^`]*\)` \|.*$", doc, re.M)}
for name in builtins:
    row = rows.get(name)
    if row is None:
        problems.append(f"built-in {name} has no row")
    elif len(row.split(" | ")) < 4 or f"{name}(" not in row.split(" | ")[-1]:
        problems.append(f"built-in {name}: the row needs a result, a description and an example")
for name in rows:
    if name not in builtins:
        problems.append(f"{name} has a row but is no built-in")

for path in ("editors/qjscript.tmLanguage.json", "editors/vim/syntax/qjscript.vim"):
    words = set(re.findall(r"\w+", open(f"{src}/{path}", encoding="utf-8").read()))
    problems += [f"{path} does not know {name}" for name in builtins if name not in words]

# Error code c has the text of string id c + 2.
for sid, text in re.findall(r'^\s*\{(\d+), "([^"]*)"\}', strings, re.M):
    code = int(sid) - 2
    if not re.search(rf"^\| {code} \| {re.escape(text)} \|", doc, re.M):
        problems.append(f"error {code} ({text}) has no row with its exact text")

for problem in problems:
    print("FAIL:", problem)
sys.exit(1 if problems else 0)
