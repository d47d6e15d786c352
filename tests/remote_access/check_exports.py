#!/usr/bin/env python3
"""Checks that a program or library exports exactly the expected names.

usage: check_exports.py TOOL FILE NAMES_FILE [EXTRA_NAME...]
TOOL is an objdump for Windows files (the export table is read from
`objdump -p`) or an nm for ELF files (the defined, non-weak functions of
`nm -D`: a host program also exports weak template copies that the C++
runtime library refers to, which are not part of the interface)."""
import re
import subprocess
import sys


def exported_names(tool, path):
    if tool.endswith("objdump"):
        text = subprocess.run([tool, "-p", path], check=True, capture_output=True,
                              text=True).stdout
        table = text.split("[Ordinal/Name Pointer] Table", 1)
        if len(table) < 2:
            return []
        names = []
        for line in table[1].splitlines()[1:]:
            match = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
            if not match:
                break
            names.append(match.group(1))
        return names
    text = subprocess.run([tool, "-D", "--defined-only", path], check=True,
                          capture_output=True, text=True).stdout
    return [fields[2] for fields in (line.split() for line in text.splitlines())
            if len(fields) == 3 and fields[1] == "T"]


def main():
    tool, path, names_file = sys.argv[1:4]
    with open(names_file) as listing:
        expected = [line.strip() for line in listing if line.strip()]
    expected += sys.argv[4:]
    found = exported_names(tool, path)
    if sorted(found) != sorted(expected):
        print("expected: " + " ".join(sorted(expected)))
        print("found:    " + " ".join(sorted(found)))
        return 1
    print("%d exports as expected" % len(found))
    return 0


if __name__ == "__main__":
    sys.exit(main())
