"""The Windows installer. Without running anything: its tables (version,
folder, the PATH entry and its actions) and its files, which must be the
ZIP's, byte for byte. With --install, under Wine in a prefix of its own:
msiexec installs it, the installed nelvo.exe runs by name from another
folder against the simulated service, msiexec uninstalls it, and nothing
of it is left. That part is started through cmake/wine-run.sh, which skips it
where 32-bit programs cannot start."""
import argparse
import filecmp
import os
import shutil
import subprocess
import sys

import package_files as p

PATH_ENTRY = ["Path", "=-*PATH", "[~];[INSTALLDIR]", "Program"]
ENVIRONMENT_KEY = r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment"
UNINSTALL_KEYS = (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
                  r"HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall")
CRLF = b"\r\n"


def table(msi, name):
    """The rows of one table, each a list of its columns."""
    text = subprocess.run(["msiinfo", "export", msi, name], check=True, text=True,
                          stdout=subprocess.PIPE).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def files_under(folder):
    return {os.path.relpath(os.path.join(top, name), folder).replace(os.sep, "/")
            for top, _, names in os.walk(folder) for name in names}


def check_tables(args):
    failures = []
    properties = dict(row[:2] for row in table(args.msi, "Property"))
    if properties.get("ProductVersion") != args.version or properties.get("ALLUSERS") != "1":
        failures.append(f"properties {properties}: expected version {args.version}, per machine")
    template = subprocess.run(["msiinfo", "suminfo", args.msi], check=True, text=True,
                              stdout=subprocess.PIPE).stdout
    if "Template: Intel;1033" not in template:
        failures.append(f"not a 32-bit package: {template}")
    if ["INSTALLDIR", "ProgramFilesFolder", "Nelvo"] not in table(args.msi, "Directory"):
        failures.append("the folder is not Program Files\\Nelvo")
    if table(args.msi, "Environment") != [PATH_ENTRY]:
        failures.append(f"PATH entry {table(args.msi, 'Environment')}, expected {PATH_ENTRY}")
    actions = {row[0] for row in table(args.msi, "InstallExecuteSequence")}
    if not {"WriteEnvironmentStrings", "RemoveEnvironmentStrings"} <= actions:
        failures.append("the PATH entry's actions are not in the install sequence")
    return failures


def check_files(args):
    """The files msiextract takes out are the ZIP's own."""
    zip_folder, _ = p.unpacked_package(args.cpack, args.build, args.work)
    out = p.fresh_folder(os.path.join(args.work, "extracted"))
    subprocess.run(["msiextract", "-C", out, args.msi], check=True, stdout=subprocess.DEVNULL)
    folder = os.path.join(out, "Program Files", "Nelvo")
    files = files_under(folder) if os.path.isdir(folder) else set()
    if files != p.SHIPPED:
        return [f"the MSI holds {sorted(files)} in Program Files/Nelvo, expected {sorted(p.SHIPPED)}"]
    differ = [name for name in sorted(files)
              if not filecmp.cmp(os.path.join(folder, name), os.path.join(zip_folder, name),
                                 shallow=False)]
    return [f"{name} differs from the ZIP's" for name in differ]


class Prefix:
    """A Wine prefix of the test's own, so that the install touches nothing
    the other tests use."""

    def __init__(self, args):
        self.path = p.fresh_folder(os.path.join(args.work, "prefix"))
        state = p.fresh_folder(os.path.join(args.work, "state"))
        self.env = p.wine_env(self.path, "rasapi32=n", RASSIM_DIR="Z:" + state.replace("/", "\\"))
        self.elsewhere = p.fresh_folder(os.path.join(args.work, "elsewhere"))

    def run(self, *argv):
        return p.run_wine(self.elsewhere, list(argv), self.env, timeout=240)

    def msiexec(self, action, msi):
        code, output = self.run("msiexec", action, "Z:" + msi.replace("/", "\\"), "/qn")
        if code != 0:
            sys.exit(f"msiexec {action} failed with {code}: {output!r}")

    def query(self, key, *value):
        return self.run("reg", "query", key, *value)[1]

    def state(self):
        """What an install may change: the program folders, the system PATH
        and the list of installed programs."""
        drive = os.path.join(self.path, "drive_c")
        folders = {name: files_under(os.path.join(drive, name)) for name in os.listdir(drive)
                   if name.startswith("Program Files")}
        listed = [b"Nelvo" in self.query(key, "/s") for key in UNINSTALL_KEYS]
        return folders, self.system_path(), listed

    def system_path(self):
        """The folders on the system PATH. Wine's uninstall leaves the ";"
        it added (seen with Wine 8), so empty parts do not count."""
        output = self.query(ENVIRONMENT_KEY, "/v", "PATH").split(b"REG_EXPAND_SZ", 1)[-1]
        return [part for part in output.strip().split(b";") if part]

    def installed_folder(self):
        drive = os.path.join(self.path, "drive_c")
        found = [os.path.join(drive, name, "Nelvo") for name in sorted(os.listdir(drive))
                 if os.path.isdir(os.path.join(drive, name, "Nelvo"))]
        return found[0] if len(found) == 1 else None

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)


def lines(*items):
    return b"".join(item + CRLF for item in items)


def check_installed(args, prefix):
    """Installs, dials and hangs up by name from another folder, uninstalls."""
    before = prefix.state()
    prefix.msiexec("/i", args.msi)
    folder = prefix.installed_folder()
    if folder is None or files_under(folder) != p.SHIPPED:
        return [f"installed {folder}: {sorted(files_under(folder)) if folder else 'no folder'}"]
    failures = []
    windows_folder = "C:" + folder.split("drive_c", 1)[1].replace("/", "\\") + "\\"
    if prefix.system_path() != before[1] + [windows_folder.encode()]:
        failures.append(f"the system PATH is {prefix.system_path()}, expected the folder added")
    # The stand-in service beside the installed program, for these runs only.
    shutil.copy(args.simulator, os.path.join(folder, "rasapi32.dll"))
    prefix.run(args.rassim, "phonebook", "add", "Office", "--states", "0,2,8192",
               "--step-ms", "100")
    banner = b"Nelvo - Command line RAS dialer - " + args.version.encode()
    runs = [(["/ENTRY:Office", "/USER:alice", "/PASS:secret", "/PHONE:5551234"],
             lines(banner, b"Connecting to Office", b"Dialing", b"Connection Successful",
                   b"Connected")),
            (["/ENTRY:Office", "/HANGUP"],
             lines(banner, b"Hanging up ...", b"Handle : 1 ", b"OK"))]
    for arguments, expected in runs:
        code, output = prefix.run("cmd", "/c", "nelvo.exe", *arguments)
        if code != 0 or output != expected:
            failures.append(f"nelvo.exe {arguments} by name: exit {code}, output {output!r}")
    os.unlink(os.path.join(folder, "rasapi32.dll"))
    prefix.msiexec("/x", args.msi)
    after = prefix.state()
    if after != before:
        failures.append(f"the uninstall left (folders, PATH, listed) {after}, was {before}")
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--msi", "--version", "--cpack", "--build", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--install", action="store_true")
    parser.add_argument("--simulator")
    parser.add_argument("--rassim")
    args = parser.parse_args()
    args.work = p.fresh_folder(os.path.abspath(args.work))
    args.build = os.path.abspath(args.build)
    if not args.install:
        return p.report(check_tables(args) + check_files(args),
                        "MSI: version, folder, PATH entry and files as expected")
    prefix = Prefix(args)
    try:
        prefix.run("wineboot", "-i")
        failures = check_installed(args, prefix)
    finally:
        prefix.stop()
    return p.report(failures, "MSI: installed, run by name from another folder, uninstalled "
                    "without a trace")


if __name__ == "__main__":
    sys.exit(main())
