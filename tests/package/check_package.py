"""Makes the Windows ZIP with cpack, unpacks it into an empty folder and runs
nelvo.exe there under Wine against Wine's own rasapi32.dll, which knows no
phone-book entries: every run must end with the empty-phone-book report,
an intact IPC record and exit code 0."""
import argparse
import os
import shutil
import subprocess
import sys
import zipfile

SHIPPED = {"nelvo.exe", "nelvoras.dll", "nelvoras.h", "README.md", "LICENSE"}
BANNER = b"Nelvo - Command line RAS dialer - 2.0\r\n"
NO_ENTRIES = (b"ERROR : No RAS Phone Book Entries found\r\n"
              b"         Please create a RAS phone book entry for Dial Up Networking\r\n"
              b"         that matches the /ENTRY parm you are using\r\n")


def make_package(cpack, build, work):
    """Returns the path of the one ZIP that cpack made in work/out."""
    out = os.path.join(work, "out")
    subprocess.run([cpack, "-G", "ZIP", "--config", os.path.join(build, "CPackConfig.cmake"),
                    "-B", out], check=True, stdout=subprocess.DEVNULL)
    zips = [name for name in os.listdir(out) if name.endswith(".zip")]
    if len(zips) != 1:
        sys.exit(f"expected one ZIP, found {zips}")
    return os.path.join(out, zips[0])


def unpack(package, work):
    """Unpacks into a folder of its own and returns the folder holding the files."""
    target = os.path.join(work, "unpacked")
    with zipfile.ZipFile(package) as archive:
        names = [name for name in archive.namelist() if not name.endswith("/")]
        archive.extractall(target)
    top = {name.split("/")[0] for name in names}
    files = {name.split("/", 1)[1] for name in names}
    if len(top) != 1 or files != SHIPPED:
        sys.exit(f"package holds {sorted(names)}, expected one folder with {sorted(SHIPPED)}")
    return os.path.join(target, top.pop())


def run_nelvo(folder, wineprefix, arguments):
    """Runs nelvo.exe in its folder with standard output on a pipe."""
    env = dict(os.environ, WINEPREFIX=wineprefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree=;mshtml=")
    env.pop("DISPLAY", None)
    result = subprocess.run(["wine", "nelvo.exe"] + arguments, cwd=folder, env=env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=120)
    return result.returncode, result.stdout


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--build", "--work", "--wineprefix"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    args.work, args.build, args.wineprefix = (os.path.abspath(path) for path in
                                              (args.work, args.build, args.wineprefix))
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    folder = unpack(make_package(args.cpack, args.build, args.work), args.work)

    failures = []
    runs = {
        "dial": ["/LOG:nelvo.log", "/IPC:ipc.txt", "/CANCEL:cancel.qcx", "/ENTRY:Office",
                 "/USER:bob", "/PASS:secret", "/PHONE:5551234"],
        "hang-up": ["/IPC:ipc.txt", "/ENTRY:Office", "/HANGUP"],
    }
    for name, arguments in runs.items():
        code, output = run_nelvo(folder, args.wineprefix, arguments)
        expected = BANNER + b"IPC : ipc.txt  0\r\n" + NO_ENTRIES
        with open(os.path.join(folder, "ipc.txt"), "rb") as ipc:
            record = ipc.read()
        expected_record = b"ERROR : No RAS Phone Book Entries found".ljust(64)
        if code != 0 or output != expected or record != expected_record:
            failures.append(f"{name}: exit {code}, output {output!r}, IPC {record!r}")
        if b"secret" in output or b"secret" in record:
            failures.append(f"{name}: the password shows")
    left = set(os.listdir(folder)) - SHIPPED - {"ipc.txt"}
    if left:
        failures.append(f"the runs left {sorted(left)} beside the program")
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        print(f"package: {len(runs)} runs of the unpacked program as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
