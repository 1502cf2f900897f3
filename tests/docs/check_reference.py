#!/usr/bin/env python3
"""The language reference and the editor tools keep up with the code. The editor tools' help on
the built-ins is the one written source of their signatures: it names every built-in of the
registry in its order, with the registry's parameter types, outputs and result; the reference
gives each built-in a row with the same signature and result, a description that begins with
the help's summary, and an example; both editor grammars know every built-in; and every error
code has a row with its exact text.
Arguments: the source folder."""
import re
import sys

src = sys.argv[1]
doc = open(f"{src}/docs/language.md", encoding="utf-8").read()
registry = open(f"{src}/src/builtins/registry.cpp", encoding="utf-8").read()
help_source = open(f"{src}/tools/qjintp/editor/builtin_help.cpp", encoding="utf-8").read()
strings = open(f"{src}/src/res/strings.cpp", encoding="utf-8").read()
LETTER = {"NUM": "N", "STR": "S", "NONE": "none"}


def fields(row):
    """The values of a row of C string literals: adjacent literals make one value."""
    values, current = [], ""
    for token in re.findall(r'"(?:\\.|[^"\\])*"|,', row):
        if token == ",":
            values, current = values + [current], ""
        else:
            current += token[1:-1].replace('\\"', '"').replace("\\\\", "\\")
    return values + [current]


rows = re.findall(r'\{"(\w+)",\s*\w+,\s*(\w+),\s*\{([^}]*)\},\s*\{([^}]*)\}\}', registry)
builtins = [row[0] for row in rows]
helps = [fields(m.group(1))
         for m in re.finditer(r'^\s*\{("\w+\(.*?)\},$', help_source, re.M | re.S)]
reference = {m.group(2): m.group(1, 3, 4, 5) for m in re.finditer(
    r"^\| `((\w+)\([^`]*\))` \| (\w+) \| ([^|]*?) \|(.*)$", doc, re.M)}
problems = []
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
        problems.append(f"{signature} -> {help_result}: the reference has {row and row[0]!r}, "
                        f"{row and row[1]!r}, a description that does not begin with "
                        f"'{summary}', or no example")
problems += [f"{name} has a row but is no built-in" for name in reference if name not in builtins]

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
