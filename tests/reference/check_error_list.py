"""Every error code that a run can print is in the manual page's lists:
each RAS_ERROR_ name that the code of a build uses (remote_access/ and
dialer/ on both systems, networkmanager_ras/ on Linux) must be listed for
that system, and no list may hold a code that nothing gives. The lists are
what nelvo_error_codes prints into the page, and the page must hold them."""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(sys.argv[1])
PRINTER, PAGE = sys.argv[2], pathlib.Path(sys.argv[3])

records = (ROOT / "remote_access" / "ras_records.h").read_text()
VALUES = {name: int(value) for name, value in re.findall(r"(RAS_ERROR_\w+) = (\d+)", records)}
# A code given: a RAS_ERROR_ name that is not compared with. The tables of
# meanings name every code, so only what stands before them counts.
GIVEN = re.compile(r"(?<![=!]= )\bRAS_ERROR_\w+")


def used_codes(*folders):
    codes = {}
    for folder in folders:
        for path in sorted((ROOT / folder).rglob("*.[ch]*")):
            if path.name == "ras_records.h":
                continue
            text = path.read_text(encoding="latin-1").split("kMeanings[]")[0]
            for name in GIVEN.findall(text):
                codes.setdefault(VALUES[name], f"{path.relative_to(ROOT)} ({name})")
    return codes


def listed(system):
    rows = subprocess.run([PRINTER, system], check=True, text=True,
                          stdout=subprocess.PIPE).stdout
    return rows, {int(code) for code in re.findall(r"^\.B (\d+)$", rows, re.M)}


page = PAGE.read_text()
failures = []
for system, folders in (("windows", ("remote_access", "dialer")),
                        ("linux", ("remote_access", "dialer", "networkmanager_ras"))):
    rows, codes = listed(system)
    if rows not in page:
        failures.append(f"{PAGE.name} lacks the {system} list as nelvo_error_codes prints it")
    given = used_codes(*folders)
    failures += [f"{where} gives {code}, missing from the {system} list"
                 for code, where in sorted(given.items()) if code not in codes]
    failures += [f"the {system} list holds {code}, which nothing gives"
                 for code in sorted(codes - set(given))]
print("\n".join(failures) or "every code a run can print is listed, and only those")
sys.exit(1 if failures else 0)
