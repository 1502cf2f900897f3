#!/usr/bin/env python3
"""The layout holds in every header ninja recorded for each object: a sibling or language module
reads no source beyond its own folder, include/ and common/; the core reads no module's; the
command-line host none of the core's headers (its editor tools may).
Arguments: the build folder, the source folder."""
import os
import re
import subprocess
import sys

build, source = (os.path.realpath(arg) for arg in sys.argv[1:3])

# (objects by their folder in the build, source folders they may read, or may not read)
RULES = [
    (r"modules/CMakeFiles/(\w+)\.dir/", ["modules", "include", "common"], None),
    (r"lang/CMakeFiles/qjlang_\w+\.dir/", ["lang", "include"], None),
    (r"common/CMakeFiles/qjcommon\.dir/", ["common"], None),
    (r"src/CMakeFiles/(qjcore|QJIntp32)\.dir/", None, ["modules", "lang", "tools"]),
    (r"tools/qjintp/CMakeFiles/qjintp\.dir/", None, ["src"]),
]

deps = subprocess.run(["ninja", "-C", build, "-t", "deps"], capture_output=True, text=True,
                      check=True).stdout
objects = {}
for block in deps.split("\n\n"):
    lines = block.strip().splitlines()
    if lines and "#deps" in lines[0]:
        objects[lines[0].split(":")[0]] = [
            os.path.normpath(os.path.join(build, line.strip())) for line in lines[1:]]


def folder(path):
    """The top folder of the source tree that holds path; None outside it or in the build."""
    rel = os.path.relpath(path, source)
    inside_build = not os.path.relpath(path, build).startswith("..")
    return None if rel.startswith("..") or inside_build else rel.split(os.sep)[0]


problems = []
for pattern, allowed, refused in RULES:
    matched = [obj for obj in objects if re.match(pattern, obj)]
    if not matched:
        problems.append(f"no object of {pattern} recorded: build first")
    for obj in matched:
        for path in objects[obj]:
            top = folder(path)
            if top and ((allowed and top not in allowed) or (refused and top in refused)):
                problems.append(f"{obj} reads {os.path.relpath(path, source)}")

for problem in problems:
    print("FAIL:", problem)
sys.exit(1 if problems else 0)
