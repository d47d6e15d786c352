"""Makes the Windows ZIPs with cpack and checks them as a user unpacks them.
  --part contents: every file present and nothing else (nothing of the
    simulated service), the reference rendered with its Windows parts, no
    file named that the ZIP lacks, the binaries stripped with their symbols in the ZIP
    beside, the exports undecorated, no OLE import at start, the version
    resources as objdump reads them. Runs nothing, so it runs everywhere.
  --part runs: the version resources as Windows reads them, then nelvo.exe
    run from the unpacked folder under Wine against Wine's own rasapi32.dll,
    which knows no phone-book entries: every run must end with the
    empty-phone-book report, an intact IPC record and exit code 0."""
import argparse
import os
import re
import subprocess
import sys
import zlib

import package_files as p
import shipped_links
import version_resource

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import nelvo_driver as d  # noqa: E402  pylint: disable=wrong-import-position

# What a program needs at start: the kernel and the C runtime, nothing that
# loads a larger stack (oleaut32 is bound at the first string).
IMPORTS = ["KERNEL32.dll", "msvcrt.dll"]
def version_info(description, file_name):
    return (b"file 2.0.0.0\r\nproduct 2.0.0.0\r\n"
            b"FileDescription=" + description + b"\r\n"
            b"FileVersion=2.0\r\nOriginalFilename=" + file_name + b"\r\n"
            b"ProductName=Nelvo\r\nProductVersion=2.0\r\n")


VERSION_INFO = {
    "nelvo.exe": version_info(b"Nelvo - Command line RAS dialer", b"nelvo.exe"),
    "nelvoras.dll": version_info(b"Nelvo remote-access interface", b"nelvoras.dll"),
}
# Strings only the simulated service and its tool hold.
SIMULATOR_MARKS = (b"RASSIM_DIR", b"rassim", b"phonebook.ini")


def objdump(tool, *arguments, check=True):
    return subprocess.run([tool, *arguments], check=check, capture_output=True).stdout


def symbol_count(tool, path):
    text = objdump(tool, "-t", path).decode("latin-1")
    return len(re.findall(r"^\[\s*\d+\]", text, re.MULTILINE))


def debug_link(tool, path):
    """(file name, CRC) that the .gnu_debuglink section names, or None."""
    data = version_resource.section_bytes(tool, path, ".gnu_debuglink")
    if b"\0" not in data or len(data) < 8:
        return None
    name = data[:data.index(b"\0")].decode("latin-1")
    return name, int.from_bytes(data[-4:], "little")


def check_binaries(args, folder, symbols_folder):
    failures = []
    for binary in p.BINARIES:
        path = os.path.join(folder, binary)
        symbols = os.path.join(symbols_folder, binary + ".debug")
        if symbol_count(args.objdump, path) != 0:
            failures.append(f"{binary} is not stripped")
        if symbol_count(args.objdump, symbols) < 100:
            failures.append(f"{binary}.debug holds no symbol table")
        with open(symbols, "rb") as debug:
            crc = zlib.crc32(debug.read())
        if debug_link(args.objdump, path) != (binary + ".debug", crc):
            failures.append(f"{binary} does not name its symbol file with its CRC")
        text = objdump(args.objdump, "-p", path).decode("latin-1")
        imports = re.findall(r"DLL Name: (\S+)", text)
        if imports != IMPORTS:
            failures.append(f"{binary} imports {imports}, expected {IMPORTS}")
        exports = subprocess.run([sys.executable, args.check_exports, args.objdump, path,
                                  args.interface_names], capture_output=True, text=True)
        if exports.returncode != 0:
            failures.append(f"{binary} exports: {exports.stdout.strip()}")
        with open(path, "rb") as shipped:
            content = shipped.read()
        marks = [mark for mark in SIMULATOR_MARKS if mark in content]
        if marks:
            failures.append(f"{binary} holds {marks} of the simulated service")
        version = version_resource.version_text(args.objdump, path)
        if version != VERSION_INFO[binary]:
            failures.append(f"{binary} version resource in the file: {version!r}")
    return failures


def check_versions(args, folder):
    """The version resource of each binary as Windows reads it."""
    failures = []
    env = p.wine_env(args.wineprefix)
    for binary in p.BINARIES:
        code, output = p.run_wine(folder, [args.versioninfo, binary], env)
        if code != 0 or output != VERSION_INFO[binary]:
            failures.append(f"{binary} version resource: exit {code}, {output!r}")
    return failures


def check_runs(args, folder):
    failures = []
    runs = {
        "dial": ["/LOG:nelvo.log", "/IPC:ipc.txt", "/CANCEL:cancel.qcx", "/ENTRY:Office",
                 "/USER:bob", "/PASS:secret", "/PHONE:5551234"],
        "hang-up": ["/IPC:ipc.txt", "/ENTRY:Office", "/HANGUP"],
    }
    env = p.wine_env(args.wineprefix)
    for name, arguments in runs.items():
        code, output = p.run_wine(folder, ["nelvo.exe"] + arguments, env)
        expected = d.head("ipc.txt") + d.NO_ENTRIES_BLOCK
        with open(os.path.join(folder, "ipc.txt"), "rb") as ipc:
            record = ipc.read()
        expected_record = d.ipc_record(d.NO_ENTRIES)
        if code != 0 or output != expected or record != expected_record:
            failures.append(f"{name}: exit {code}, output {output!r}, IPC {record!r}")
        if b"secret" in output or b"secret" in record:
            failures.append(f"{name}: the password shows")
    left = set(os.listdir(folder)) - {name.split("/")[0] for name in p.SHIPPED} - {"ipc.txt"}
    if left:
        failures.append(f"the runs left {sorted(left)} beside the program")
    return failures, len(runs)


def check_contents(args, folder, packages):
    symbols_folder = os.path.join(args.work, "symbols")
    symbol_files = p.unpack(packages[p.SYMBOLS], p.fresh_folder(symbols_folder))
    if symbol_files != p.SYMBOL_FILES:
        sys.exit(f"{p.SYMBOLS} holds {sorted(symbol_files or [])}, expected "
                 f"{sorted(p.SYMBOL_FILES)}")
    files = p.SHIPPED  # unpacked_package has checked that the ZIP holds these
    failures = check_binaries(args, folder, os.path.join(symbols_folder, p.TOP))
    texts = {}
    for name in ("nelvo.txt", "nelvoras.h", "examples/dial.bat", "examples/dial_first.c"):
        with open(os.path.join(folder, name), "rb") as text:
            texts[name] = text.read().decode("ascii")
    for name in ("nelvo.txt", "examples/dial.bat"):
        lines = texts[name].split("\n")
        if any(not line.endswith("\r") for line in lines[:-1]) or lines[-1] != "":
            failures.append(f"{name} does not end every line in CR LF")
    failures += shipped_links.dead_links(texts, files)
    # The reference: the Windows parts of the manual page, with the codes a run
    # prints by itself (1359 at the export edge, 668 for the cancel file).
    sections = re.findall(r"^([A-Z][A-Z ]+)\r$", texts["nelvo.txt"], re.M)
    codes = re.findall(r"^ {7}(\d+) ", texts["nelvo.txt"].split("ERROR CODES")[-1], re.M)
    if not {"EXIT STATUS", "ERROR CODES", "FILES", "EXAMPLES"} <= set(sections) or \
            "THE PHONE BOOK ON LINUX" in sections or not {"668", "1359"} <= set(codes):
        failures.append(f"nelvo.txt: sections {sections}, codes {codes}")
    return p.report(failures, "package: files, reference, symbols, exports, imports and versions "
                              "as expected")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--part", choices=("contents", "runs"), required=True)
    for option in ("--cpack", "--build", "--work", "--objdump", "--interface-names"):
        parser.add_argument(option, required=True)
    parser.add_argument("--wineprefix")
    parser.add_argument("--versioninfo")
    parser.add_argument("--check-exports", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "remote_access", "check_exports.py"))
    args = parser.parse_args()
    args.work = p.fresh_folder(os.path.abspath(args.work))
    folder, packages = p.unpacked_package(args.cpack, os.path.abspath(args.build), args.work)
    if args.part == "contents":
        return check_contents(args, folder, packages)
    failures = check_versions(args, folder)
    run_failures, runs = check_runs(args, folder)
    return p.report(failures + run_failures,
                    f"package: versions as Windows reads them; {runs} runs of the unpacked "
                    f"program as expected")


if __name__ == "__main__":
    sys.exit(main())
