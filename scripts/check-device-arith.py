#!/usr/bin/env python3
"""Finds plain + or - on device coordinates truncated from page coordinates.

Far objects truncate to the ends of the 32-bit device range, so a rectangle or
point grown, shifted or averaged there must go through the saturating helpers
of platform/types.h (plat::SatAdd, plat::GrowRect, plat::OffsetPoint,
plat::MarkRect, plat::Mid). Reports every use of a truncating call's result,
or of a variable holding one, in plain arithmetic; exits 1 when there is one.

usage: check-device-arith.py ROOT [ROOT...]   (folders or single files)
"""
import os
import re
import sys

# Calls whose result is a device coordinate, point or rectangle.
SOURCES = r"(?:TruncToLong|SatTrunc|Trunc|ToDevice|PageToDevice|DeviceRect)"
# Calls that write one through their last (pointer) argument.
OUT_SOURCES = r"(?:TransformPointToInt|TransformRectBounds|TransformRectCorners)"
FIELD = r"(?:\.(?:x|y|left|top|right|bottom))?"
# + or - as a binary or unary operator (not ++, --, ->, +=, -=, which are caught apart).
OP_AFTER = r"\s*[-+](?![-+=>])"
FOLDERS = ("model", "text", "app", "output", "cutmanager", "presentation")


def strip(line):
    """The line without its // comment and string literals."""
    line = re.sub(r'"(?:\\.|[^"\\])*"', '""', line)
    return line.split("//", 1)[0]


def call_end(text, open_paren):
    """Index just past the parenthesis closing the one at open_paren."""
    depth = 0
    for i in range(open_paren, len(text)):
        if text[i] == "(":
            depth += 1
        elif text[i] == ")":
            depth -= 1
            if depth == 0:
                return i + 1
    return len(text)


def check_file(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = [strip(l) for l in f.read().split("\n")]
    found = []
    tainted = {}  # name -> line index where it was set

    def report(i, what):
        found.append(f"{path}:{i + 1}: {what}: {lines[i].strip()}")

    for i, line in enumerate(lines):
        if re.match(r"^\}", line):
            tainted.clear()  # end of a function at namespace level
        # A source call's result used in arithmetic right there.
        for m in re.finditer(r"\b" + SOURCES + r"\s*\(", line):
            end = call_end(line, m.end() - 1)
            after = line[end:]
            if re.match(r"\s*" + FIELD + OP_AFTER, after):
                report(i, "arithmetic on a truncated device coordinate")
            before = line[: m.start()]
            if re.search(r"(?<![-+])[-+]\s*$", before) and not re.search(r"->\s*$", before):
                report(i, "arithmetic on a truncated device coordinate")
        # Variables set from a source call.
        for m in re.finditer(r"\b([A-Za-z_]\w*)\s*(?:=|\{)\s*(?:\{\s*)?" + SOURCES + r"\s*\(", line):
            tainted[m.group(1)] = i
        for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\[\s*\w+\s*\]\s*=\s*(?:plat::POINT\s*)?\{?\s*" + SOURCES + r"\s*\(", line):
            tainted[m.group(1)] = i
        for m in re.finditer(r"\b" + OUT_SOURCES + r"\s*\(", line):
            end = call_end(line, m.end() - 1)
            out = re.search(r"&\s*([A-Za-z_]\w*)\s*\)$", line[m.start():end])
            if out:
                tainted[out.group(1)] = i
        for name, at in tainted.items():
            n = re.escape(name)
            body = line
            if at == i:  # on its own line only what follows the declaration
                d = re.search(r"\b" + n + r"\s*(?:=|\{|\[)", line)
                if not d:
                    continue
                body = line[d.end():]
                body = body[call_end(body, body.find("(")) if "(" in body else 0:]
            if re.search(r"\b" + n + FIELD + OP_AFTER, body) or \
               re.search(r"(?<![-+\w>])[-+]\s*\b" + n + r"\b", body) or \
               re.search(r"\b" + n + FIELD + r"\s*(?:\+\+|--|\+=|-=)", body) or \
               re.search(r"(?:\+\+|--)\s*" + n + r"\b", body):
                report(i, f"arithmetic on device coordinate '{name}'")
    return found


def main(roots):
    found = []
    for root in roots:
        if os.path.isfile(root):
            found += check_file(root)
            continue
        for sub in FOLDERS if os.path.isdir(os.path.join(root, "model")) else ("",):
            for dirpath, dirs, files in os.walk(os.path.join(root, sub)):
                dirs[:] = sorted(d for d in dirs if d != "tests" and not d.startswith("build"))
                for name in sorted(files):
                    if name.endswith((".cpp", ".h")):
                        found += check_file(os.path.join(dirpath, name))
    for f in found:
        print(f)
    if found:
        print(f"{len(found)} plain arithmetic on device coordinates: use plat::SatAdd, plat::GrowRect, "
              "plat::OffsetPoint, plat::MarkRect or plat::Mid")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["."]))
