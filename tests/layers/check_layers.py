"""Checks the arrows between the layers: each folder includes only the
folders below it, so that "dialer -> remote_access -> status -> platform"
holds in the code and not only in the docs. The simulated service may use
the record layouts, the list of remote-access functions and the platform's
shared system services, and nothing else of ours; the NetworkManager
library the record layouts, the list and the export marker."""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1])
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

ALLOWED = {
    "platform": {"platform"},
    "status": {"status", "platform"},
    "remote_access": {"remote_access", "status", "platform"},
    "dialer": {"dialer", "remote_access", "status"},
    "simulator": {
        "simulator",
        "remote_access/ras_records.h",
        "remote_access/ras_functions.h",
        "remote_access/library_export.h",
        "platform/system_services.h",
    },
    # The NetworkManager library stands where the simulated service does.
    "networkmanager_ras": {
        "networkmanager_ras",
        "remote_access/ras_records.h",
        "remote_access/ras_functions.h",
        "remote_access/library_export.h",
    },
}
# The process entry is where the program meets the operating system.
EXCEPTIONS = {"dialer/main.cpp": {"platform"}}
# The NetworkManager library's parts, lowest first: each includes only its
# own and those below it.
NM_FLOORS = ["bus", "phone_book", "links", "dial"]


def allowed(source, included, rules):
    if "/" not in included:
        return True  # generated headers such as nelvo_version.h
    if included.startswith("networkmanager_ras/") and source.startswith("networkmanager_ras/"):
        return nm_floor(included) <= nm_floor(source)
    return included.split("/")[0] in rules or included in rules


def nm_floor(path):
    """The floor of a file of the NetworkManager library; its top-level
    files (the exports) stand above every part."""
    part = path.split("/")[1]
    return NM_FLOORS.index(part) if part in NM_FLOORS else len(NM_FLOORS)


failures = []
for folder, rules in ALLOWED.items():
    for path in sorted((ROOT / folder).rglob("*")):
        if path.suffix not in {".c", ".cpp", ".h"}:
            continue
        name = path.relative_to(ROOT).as_posix()
        own = rules | EXCEPTIONS.get(name, set())
        for included in INCLUDE.findall(path.read_text(encoding="latin-1")):
            if not allowed(name, included, own):
                failures.append(f"{name} includes {included}")
print("\n".join(failures) if failures else "layers hold")
sys.exit(1 if failures else 0)
