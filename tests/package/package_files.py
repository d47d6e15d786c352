"""The Windows package as a user gets it: cpack makes the two ZIPs, each is
unpacked the way an unzip tool does it, and programs run from the unpacked
folder under Wine."""
import os
import shutil
import subprocess
import sys
import zipfile

VERSION = "2.0"
TOP = f"nelvo-{VERSION}-win32"
PACKAGE = f"{TOP}.zip"
SYMBOLS = f"{TOP}-symbols.zip"
BINARIES = ("nelvo.exe", "nelvoras.dll")
SHIPPED = {"nelvo.exe", "nelvoras.dll", "nelvoras.h", "nelvo.txt", "LICENSE",
           "examples/dial.bat", "examples/dial_first.c"}
SYMBOL_FILES = {"nelvo.exe.debug", "nelvoras.dll.debug", "LICENSE"}


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def make_packages(cpack, build, work):
    """Runs cpack; returns {ZIP name: path} of what it made."""
    out = os.path.join(work, "out")
    subprocess.run([cpack, "-G", "ZIP", "--config", os.path.join(build, "CPackConfig.cmake"),
                    "-B", out], check=True, stdout=subprocess.DEVNULL)
    return {name: os.path.join(out, name) for name in os.listdir(out) if name.endswith(".zip")}


def unpack(archive_path, target):
    """Unpacks a ZIP into target; returns the files it holds, relative to its
    one top folder (a ZIP without exactly one top folder gives None)."""
    with zipfile.ZipFile(archive_path) as archive:
        names = [name for name in archive.namelist() if not name.endswith("/")]
        archive.extractall(target)
    if {name.split("/")[0] for name in names} != {TOP}:
        return None
    return {name.split("/", 1)[1] for name in names}


def unpacked_package(cpack, build, work):
    """Makes the packages and unpacks the program's ZIP alone; returns its
    folder. Exits when the ZIP does not hold exactly the shipped files."""
    packages = make_packages(cpack, build, work)
    if set(packages) != {PACKAGE, SYMBOLS}:
        sys.exit(f"cpack made {sorted(packages)}, expected {PACKAGE} and {SYMBOLS}")
    files = unpack(packages[PACKAGE], fresh_folder(os.path.join(work, "unpacked")))
    if files != SHIPPED:
        sys.exit(f"{PACKAGE} holds {sorted(files or [])}, expected {TOP}/ with {sorted(SHIPPED)}")
    return os.path.join(work, "unpacked", TOP), packages


def wine_env(wineprefix, overrides="", **extra):
    """The environment of a Windows program started by hand: no display,
    Wine's own DLLs unless overrides says otherwise."""
    env = dict(os.environ, WINEPREFIX=wineprefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES=";".join(filter(None, [overrides, "mscoree=", "mshtml="])))
    env.pop("DISPLAY", None)
    env.update(extra)
    return env


def run_wine(folder, argv, env, timeout=120):
    """Runs a Windows program in folder with standard output on a pipe;
    returns (exit code, output)."""
    result = subprocess.run(["wine"] + argv, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    return result.returncode, result.stdout


def report(failures, passed):
    for failure in failures:
        print("FAIL", failure)
    if not failures:
        print(passed)
    return 1 if failures else 0
