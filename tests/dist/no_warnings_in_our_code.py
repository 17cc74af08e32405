#!/usr/bin/env python3
"""Runs a compiler on a single-file study source and fails on any error and
on any warning in the project's own code. The file frames each inlined file
("// ---- path ----" ... "// ---- end of path ----"); warnings inside the
JSON library (nlohmann/...) are the library's, listed but not held against
us.

    no_warnings_in_our_code.py FILE -- COMPILER ARGUMENTS...
"""

import os
import re
import subprocess
import sys

BEGIN = re.compile(r"^// ---- (\S+) ----$")
END = re.compile(r"^// ---- end of (\S+) ----$")
DIAGNOSTIC = re.compile(r"^(.*?):(\d+):\d+: (warning|error): (.*)$")


def sections(path):
    """The inlined file each line of the single file comes from."""
    owner, inside = [None], ["(the file's head)"]
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if END.match(line):
                inside.pop()
            elif BEGIN.match(line):
                inside.append(BEGIN.match(line).group(1))
            owner.append(inside[-1])
    return owner


def main():
    if len(sys.argv) < 4 or sys.argv[2] != "--":
        print(__doc__, file=sys.stderr)
        return 2
    source, command = sys.argv[1], sys.argv[3:]
    owner = sections(source)
    run = subprocess.run(command, capture_output=True, text=True)
    ours, theirs = [], []
    for line in run.stderr.splitlines():
        m = DIAGNOSTIC.match(line)
        if not m:
            continue
        in_source = os.path.realpath(m.group(1)) == os.path.realpath(source)
        number = int(m.group(2))
        origin = owner[number] if in_source and number < len(owner) else m.group(1)
        entry = f"{origin}: {m.group(3)}: {m.group(4)}"
        if m.group(3) == "warning" and origin.startswith("nlohmann/"):
            theirs.append(entry)
        else:
            ours.append(entry)
    for entry in theirs:
        print(f"(JSON library) {entry}")
    if run.returncode != 0 or ours:
        print(run.stderr, file=sys.stderr)
        print(f"{len(ours)} diagnostics in the project's own code; compiler exit status "
              f"{run.returncode}", file=sys.stderr)
        return 1
    print(f"{os.path.basename(source)}: no warning in the project's own code")
    return 0


if __name__ == "__main__":
    sys.exit(main())
