#!/usr/bin/env python3
"""Makes the single-file sources of the platform DLLs under dist/.

A trader builds a study inside the charting platform from one source file
(Analysis >> Build Custom Studies DLL, Remote Build): the platform's server
sees only the files the trader selects, the standard library, the Windows
headers and sierrachart.h. Each file made here holds one study whole: the
platform exports file under platform/ that names the DLL, every project
header it reaches through quoted #includes, each such header's .cpp, and the
JSON library with its licence notice.

    python3 scripts/make-dist.py            # writes dist/<study>.cpp
    python3 scripts/make-dist.py --check    # fails when a committed file is stale

Each file names the JSON library's version it holds. A machine whose
installed version differs cannot make the same files, so --check then says
so in one line and exits with SKIPPED (77), or with 0 and that line as a
warning under --other-json-ok, instead of reporting the whole library as
changed.

A study's file is named after its study function (scsf_qlx_pricemap_overlay:
dist/qlx_pricemap_overlay.cpp), so the platform's 64-bit build of it makes
qlx_pricemap_overlay_64.dll. The output depends only on the sources: files
come in include order, nothing carries a date.
"""

import argparse
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DIST = os.path.join(ROOT, "dist")
PLATFORM_DIR = os.path.join(ROOT, "platform")
REGENERATE = "python3 scripts/make-dist.py"

SDK_HEADER = "sierrachart.h"
# What the trader adds to the platform's Remote Build line (which asks for
# C++11 without exceptions): the last -std and -f options win.
ADDITIONAL_PARAMETERS = "-std=gnu++17 -fexceptions"
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
PRAGMA_ONCE = re.compile(r"^\s*#\s*pragma\s+once\b")
DLL_NAME = re.compile(r"^\s*SCDLLName\s*\(.*\)\s*$")
STUDY_FUNCTION = re.compile(r"\bSCSFExport\s+scsf_(\w+)\s*\(")
COPYRIGHT = re.compile(r"SPDX-FileCopyrightText:\s*(.+)$")
JSON_VERSION_PART = re.compile(r"^\s*#\s*define\s+NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH)\s+(\d+)")
JSON_VERSION_LINE = "// JSON library: nlohmann/json "
# --check's exit code when the installed JSON library is not the one dist/
# was made with (CTest's skip code).
SKIPPED = 77

# The JSON library's licence (MIT), the text its copyright holders publish
# with it; the copyright lines come from the inlined files themselves.
MIT_LICENCE = """\
Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE."""


class DistError(Exception):
    pass


def json_version(json_dir):
    """The installed JSON library's version, as "3.11.2"."""
    parts = {}
    for name in ("nlohmann/detail/abi_macros.hpp", "nlohmann/json.hpp"):
        path = os.path.join(json_dir, name)
        if os.path.isfile(path):
            for line in read_lines(path):
                m = JSON_VERSION_PART.match(line)
                if m:
                    parts[m.group(1)] = m.group(2)
        if len(parts) == 3:
            return f"{parts['MAJOR']}.{parts['MINOR']}.{parts['PATCH']}"
    raise DistError(f"nlohmann/json.hpp: no version found under {json_dir} (nlohmann-json3-dev)")


def recorded_json_version(text):
    """The JSON library's version a made file names, or None."""
    for line in text.splitlines()[:40]:
        if line.startswith(JSON_VERSION_LINE):
            return line[len(JSON_VERSION_LINE):].strip()
    return None


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return f.read().splitlines()


def relative(path):
    return os.path.relpath(path, ROOT).replace(os.sep, "/")


class Amalgamation:
    """One study's translation unit, built up file by file."""

    def __init__(self, root_file, json_dir):
        self.root_file = root_file
        self.json_dir = json_dir  # the folder that holds nlohmann/
        self.emitted = set()  # files already inlined (each file once, as #pragma once does)
        self.out = []
        self.json_notice_at = None  # where the JSON library's notice goes in out
        self.json_holders = set()  # its copyright holders, from the files inlined

    # --- where an #include leads ---------------------------------------

    def project_file(self, including_file, name):
        """The project file a quoted #include names, or None."""
        for base in (os.path.dirname(including_file), ROOT):
            path = os.path.normpath(os.path.join(base, name))
            if os.path.isfile(path) and path.startswith(ROOT + os.sep):
                return path
        return None

    def json_file(self, name):
        if not name.startswith("nlohmann/"):
            return None
        path = os.path.join(self.json_dir, name)
        if not os.path.isfile(path):
            raise DistError(f"{name}: not found under {self.json_dir} (nlohmann-json3-dev)")
        return path

    def project_includes(self, path):
        found = []
        for line in read_lines(path):
            m = INCLUDE.match(line)
            if m and m.group(1) == '"':
                target = self.project_file(path, m.group(2))
                if target is not None:
                    found.append(target)
                elif m.group(2) != SDK_HEADER:
                    raise DistError(
                        f"{relative(path)}: #include \"{m.group(2)}\" is neither a project file "
                        f"nor {SDK_HEADER}; the platform's build has nothing else")
        return found

    # --- which .cpp files, in which order ------------------------------

    @staticmethod
    def implementation_of(header):
        stem, ext = os.path.splitext(header)
        if ext not in (".h", ".hpp"):
            return None
        source = stem + ".cpp"
        return source if os.path.isfile(source) else None

    def source_order(self):
        """Every .cpp the root needs, each after the ones it depends on: a
        header's own .cpp follows the headers that header includes, and the
        root comes last."""
        order, seen_headers, seen_sources = [], set(), set()

        def visit_header(header):
            if header in seen_headers:
                return
            seen_headers.add(header)
            for included in self.project_includes(header):
                visit_header(included)
            source = self.implementation_of(header)
            if source is not None:
                visit_source(source)

        def visit_source(source):
            if source in seen_sources:
                return
            seen_sources.add(source)
            for included in self.project_includes(source):
                visit_header(included)
            order.append(source)

        visit_source(self.root_file)
        return order

    # --- writing ---------------------------------------------------------

    def inline(self, path, label, skip=()):
        """Writes a file in place, each of its #includes resolved; it is
        framed by "// ---- path ----" and "// ---- end of path ----"."""
        self.emitted.add(path)
        self.out.append(f"// ---- {label} ----")
        for number, line in enumerate(read_lines(path)):
            if number in skip or PRAGMA_ONCE.match(line):
                continue
            m = INCLUDE.match(line)
            if m is None:
                self.out.append(line)
                continue
            quoted, name = m.group(1) == '"', m.group(2)
            target = self.project_file(path, name) if quoted else self.json_file(name)
            if quoted and target is None:
                continue  # sierrachart.h: included once, on the first line
            if target is None:
                self.out.append(line)  # the standard library or Windows
            elif target not in self.emitted:
                if not quoted:
                    self.json_holders.update(
                        c.group(1).strip() for c in map(COPYRIGHT.search, read_lines(target)) if c)
                    if self.json_notice_at is None:
                        self.json_notice_at = len(self.out)
                self.inline(target, relative(target) if quoted else name)
        self.out.append(f"// ---- end of {label} ----")

    def json_notice(self):
        lines = ["", "// " + "=" * 76,
                 "// JSON for Modern C++ (nlohmann/json, https://github.com/nlohmann/json),",
                 "// inlined unchanged but for its #includes. Its licence:", "//"]
        lines += [f"// Copyright (c) {holder}" for holder in sorted(self.json_holders)]
        lines += ["//"] + [("// " + line).rstrip() for line in MIT_LICENCE.splitlines()]
        lines += ["// " + "=" * 76]
        return lines

    def build(self, dll_file_stem):
        root_lines = read_lines(self.root_file)
        names = [i for i, line in enumerate(root_lines) if DLL_NAME.match(line)]
        if len(names) != 1:
            raise DistError(f"{relative(self.root_file)}: needs exactly one SCDLLName line, "
                            f"has {len(names)}")
        self.out += [
            f'#include "{SDK_HEADER}"',
            "",
            root_lines[names[0]].strip(),
            "",
            f"// {dll_file_stem}.cpp: the whole study in one source file, for the platform's",
            "// own build (Analysis >> Build Custom Studies DLL). The code is C++17 and",
            "// reads its downloads with exceptions, so type into the build window's",
            "// Additional Compiler Parameters box:",
            f"//   {ADDITIONAL_PARAMETERS}",
            "//",
            f"// Made by {REGENERATE} from the project's sources; edit those",
            "// instead, this file is made again from them.",
            f"{JSON_VERSION_LINE}{json_version(self.json_dir)}",
            "",
            "// The platform builds with NOMINMAX undefined, so its headers define min and",
            "// max as macros, which would break the standard and JSON headers below.",
            "#undef min",
            "#undef max",
            "",
        ]
        for source in self.source_order():
            skip = set(names) if source == self.root_file else set()
            self.inline(source, relative(source), skip)
            self.out.append("")
        if self.json_notice_at is not None:
            self.out[self.json_notice_at:self.json_notice_at] = self.json_notice()
        return "\n".join(self.out) + "\n"


def studies():
    """The platform exports files (the ones that name a DLL), by study."""
    found = {}
    for folder, _, files in os.walk(PLATFORM_DIR):
        for name in sorted(files):
            path = os.path.join(folder, name)
            if not name.endswith(".cpp"):
                continue
            text = "\n".join(read_lines(path))
            if not any(DLL_NAME.match(line) for line in text.splitlines()):
                continue
            functions = STUDY_FUNCTION.findall(text)
            if len(functions) != 1:
                raise DistError(f"{relative(path)}: names a DLL but exports {len(functions)} "
                                "study functions; one is expected")
            found[functions[0]] = path
    if not found:
        raise DistError("no platform exports file (one with SCDLLName) under platform/")
    return dict(sorted(found.items()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the committed files with what the sources make")
    parser.add_argument("--json-include", default="/usr/include",
                        help="folder that holds nlohmann/json.hpp (default /usr/include)")
    parser.add_argument("--out", default=DIST, help="folder to write to (default dist/)")
    parser.add_argument("--other-json-ok", action="store_true",
                        help="with --check: another installed JSON library version is a "
                             "warning, not a failure")
    args = parser.parse_args()

    try:
        made = {f"{study}.cpp": Amalgamation(root, args.json_include).build(study)
                for study, root in studies().items()}
    except DistError as error:
        print(f"make-dist: {error}", file=sys.stderr)
        return 2

    if args.check:
        stale = []
        for name, text in made.items():
            path = os.path.join(args.out, name)
            try:
                with open(path, encoding="utf-8", newline="") as f:
                    current = f.read()
            except FileNotFoundError:
                current = None
            committed = recorded_json_version(current) if current is not None else None
            installed = recorded_json_version(text)
            if committed is not None and committed != installed:
                print(f"make-dist: {relative(path)} holds nlohmann/json {committed}, this machine "
                      f"has {installed}: the files cannot be checked here; install "
                      f"{committed} to check them, or make them again with {REGENERATE}",
                      file=sys.stderr)
                return 0 if args.other_json_ok else SKIPPED
            if current != text:
                stale.append(relative(path))
        listed = {name for name in os.listdir(args.out) if name.endswith(".cpp")} \
            if os.path.isdir(args.out) else set()
        stale += [relative(os.path.join(args.out, name)) + " (no study makes it)"
                  for name in sorted(listed - set(made))]
        if stale:
            print("make-dist: these files differ from what the current sources make:\n  "
                  + "\n  ".join(stale) + f"\nregenerate them with: {REGENERATE}", file=sys.stderr)
            return 1
        print(f"make-dist: {', '.join(sorted(made))} match the sources")
        return 0

    os.makedirs(args.out, exist_ok=True)
    for name, text in made.items():
        path = os.path.join(args.out, name)
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        print(f"make-dist: wrote {relative(path)} ({len(text.encode('utf-8'))} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
