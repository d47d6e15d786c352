"""Checks that each ELF file needs exactly the shared libraries expected of
a host Release program: the C library alone (and the dynamic loader,
which some of its symbols live in).
    check_needed.py OBJDUMP FILE..."""
import re
import subprocess
import sys

EXPECTED = ["libc.so.6"]


def main():
    objdump, files = sys.argv[1], sys.argv[2:]
    failures = 0
    for path in files:
        text = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                              text=True).stdout
        needed = [name for name in re.findall(r"^\s*NEEDED\s+(\S+)", text, re.MULTILINE)
                  if not name.startswith("ld-linux")]
        if needed != EXPECTED:
            print(f"FAIL {path} needs {needed}, expected {EXPECTED}")
            failures += 1
    if not failures:
        print(f"{len(files)} files need only {EXPECTED}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
