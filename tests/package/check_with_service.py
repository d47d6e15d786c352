"""The unpacked Windows package against the simulated service, as a user
would use it: the example batch file through Wine's cmd (a dial that
connects and is hung up, one cancelled, one of a missing entry), the C example of doc/windows.md
built from the package and run, and a dial without oleaut32.dll, which
must end in a report, never a crash. The simulator is added to a copy of
the unpacked folder; the package itself never holds it."""
import argparse
import os
import shutil
import subprocess
import sys
from pathlib import Path

import package_files as p

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "e2e"))
import nelvo_driver as d  # noqa: E402  pylint: disable=wrong-import-position
from nelvo_driver import CREATE_ENTRY, CRLF, head  # noqa: E402  pylint: disable=C0413

STATES = [0, 1, 2, 3, 5, 14, 8192]


class Service:
    """A copy of the unpacked package with the simulator beside nelvo.exe,
    and the simulator's state folder."""

    def __init__(self, args, unpacked):
        self.folder = os.path.join(args.work, "run")
        shutil.copytree(unpacked, self.folder)
        shutil.copy(args.simulator, os.path.join(self.folder, "rasapi32.dll"))
        self.rassim_exe = os.path.abspath(args.rassim)
        state = p.fresh_folder(os.path.join(args.work, "state"))
        self.wineprefix = args.wineprefix
        self.extra = {"RASSIM_DIR": "Z:" + state.replace("/", "\\")}

    def env(self, overrides="rasapi32=n"):
        return p.wine_env(self.wineprefix, overrides, **self.extra)

    def run(self, argv, overrides="rasapi32=n"):
        return p.run_wine(self.folder, argv, self.env(overrides))

    def rassim(self, *arguments):
        code, output = self.run([self.rassim_exe, *arguments])
        if code != 0:
            sys.exit(f"rassim {arguments} failed with {code}")
        return output.replace(CRLF, b"\n")

    def dials(self):
        """(handle, entry, phone, user) of each dial so far."""
        return [tuple(line.split(b"\t")[:4]) for line in self.rassim("dials").splitlines()]


def statuses(entry, states, final):
    """Every IPC status a dial run writes, in order."""
    return ([b"Go", b"STATUS : Connecting to " + entry] +
            [d.state_status(state) for state in states] + final)


def split_statuses(output):
    """The batch file's status lines (an ordered sample, since it looks once
    a second) and the rest of its output."""
    shown, rest = [], []
    for line in output.split(CRLF)[:-1]:
        if line.startswith(b"IPC status: "):
            shown.append(line[len(b"IPC status: "):])
        else:
            rest.append(line + CRLF)
    return shown, b"".join(rest)


def is_sample_of(shown, written):
    """True when shown is a non-empty, ordered selection of written ending
    with its last status."""
    position = 0
    for status in shown:
        while position < len(written) and written[position] != status:
            position += 1
        if position == len(written):
            return False
        position += 1
    return bool(shown) and shown[-1] == written[-1]


def indented(report):
    return b"".join(b"  " + line + CRLF for line in report.split(CRLF)[:-1])


def check_batch_connects(service):
    code, output = service.run(["cmd", "/c", "examples\\dial.bat", "Office", "alice", "secret",
                                "5551234"])
    dials = service.dials()
    handle = dials[-1][0] if dials else b"?"
    dial_report = (head("dial.ipc") + b"Connecting to Office\r\n" + d.progress_lines(STATES)
                   + b"Connected\r\n")
    hangup_report = head("dial.ipc") + b"Hanging up ...\r\nHandle : " + handle + b" \r\nOK\r\n"
    expected = indented(dial_report) + b"Connected: hanging up Office\r\n" + indented(hangup_report)
    shown, rest = split_statuses(output)
    failures = []
    if code != 0 or rest != expected:
        failures.append(f"batch dial: exit {code}, output {output!r}")
    if not is_sample_of(shown, statuses(b"Office", STATES, [])):
        failures.append(f"batch dial: statuses shown out of order: {shown}")
    if dials[-1:] != [(handle, b"Office", b"5551234", b"alice")] or service.rassim("connections"):
        failures.append(f"batch dial: dials {dials}, connections left "
                        f"{service.rassim('connections')!r}")
    return failures


def check_batch_cancelled(service):
    """A dial that never connects, cancelled through the batch file's cancel
    file once it is dialling."""
    process = subprocess.Popen(["wine", "cmd", "/c", "examples\\dial.bat", "Lab", "bob", "pw",
                                "5550199"], cwd=service.folder, env=service.env(),
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL)
    ipc = Path(service.folder, "dial.ipc")
    d.wait_for(lambda: ipc.exists() and ipc.read_bytes().startswith(b"Dialing"), 60, 0.05,
               process)
    with open(os.path.join(service.folder, "dial.cancel"), "wb"):
        pass
    output, _ = process.communicate(timeout=120)
    code = process.returncode
    dial_report = head("dial.ipc") + b"Connecting to Lab\r\nDialing\r\n" + d.not_connected(668)
    expected = indented(dial_report) + b"Not connected: " + d.CONNECTION_FAILED + CRLF
    shown, rest = split_statuses(output)
    failures = []
    if code != 1 or rest != expected:
        failures.append(f"batch cancelled dial: exit {code}, output {output!r}")
    if not is_sample_of(shown, statuses(b"Lab", [0, 1, 2], [d.CONNECTION_FAILED])):
        failures.append(f"batch cancelled dial: statuses shown out of order: {shown}")
    if service.rassim("connections"):
        failures.append("batch cancelled dial: the attempt was left up")
    os.unlink(os.path.join(service.folder, "dial.cancel"))
    return failures


def check_batch_no_entry(service):
    """An entry the phone book lacks: the run's first report line is the IPC
    status the batch file ends with."""
    code, output = service.run(["cmd", "/c", "examples\\dial.bat", "Nowhere", "bob", "pw", "1"])
    dial_report = (head("dial.ipc") + b"ERROR : Nowhere Phone Book Entry is missing\r\n"
                   + CREATE_ENTRY)
    final = b"ERROR : RAS Nowhere Phone Book Entry is missing"
    expected = indented(dial_report) + b"Not connected: " + final + CRLF
    shown, rest = split_statuses(output)
    if code != 1 or rest != expected or not is_sample_of(shown, [b"Go", final]):
        return [f"batch dial of a missing entry: exit {code}, output {output!r}"]
    return []


def check_c_example(service, args):
    """Built as its own comment says, from the examples folder."""
    build = subprocess.run([args.cc, "-I..", "dial_first.c", "-o", "../dial_first.exe",
                            "-loleaut32"], cwd=os.path.join(service.folder, "examples"),
                           capture_output=True, text=True)
    if build.returncode != 0:
        return [f"the C example does not build: {build.stderr}"]
    failures = []
    code, output = service.run(["dial_first.exe"])
    if code != 0 or output != b"1: Office\r\n2: Lab\r\nconnected\r\n":
        failures.append(f"C example: exit {code}, output {output!r}")
    dials = service.dials()
    if [dial[1:] for dial in dials[-1:]] != [(b"Office", b"5550100", b"me")]:
        failures.append(f"C example dialled {dials[-1:]}")
    code, output = service.run(["nelvo.exe", "/ENTRY:Office", "/HANGUP"])
    if not output.endswith(b"OK\r\n"):
        failures.append(f"C example: the link it made did not hang up: {output!r}")
    return failures


def check_without_oleaut32(service):
    """No byte strings at all: every name reads as empty, so the entry is
    not found, and the run says so."""
    before = service.dials()
    code, output = service.run(["nelvo.exe", "/ENTRY:Office", "/USER:a", "/PASS:b", "/PHONE:1",
                                "/IPC:noole.ipc"], overrides="rasapi32=n;oleaut32=")
    expected = head("noole.ipc") + b"ERROR : Office Phone Book Entry is missing\r\n" + CREATE_ENTRY
    with open(os.path.join(service.folder, "noole.ipc"), "rb") as ipc:
        record = ipc.read()
    failures = []
    if code != 0 or output != expected:
        failures.append(f"without oleaut32: exit {code}, output {output!r}")
    if record != d.ipc_record(b"ERROR : RAS Office Phone Book Entry is missing"):
        failures.append(f"without oleaut32: IPC {record!r}")
    if service.dials() != before:
        failures.append("without oleaut32: a dial was made")
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--build", "--work", "--wineprefix", "--cc", "--simulator",
                   "--rassim"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    args.work = p.fresh_folder(os.path.abspath(args.work))
    unpacked, _ = p.unpacked_package(args.cpack, os.path.abspath(args.build), args.work)
    service = Service(args, unpacked)
    service.rassim("phonebook", "add", "Office", "--phone", "5550000", "--user", "stored",
                   "--password", "pw", "--states", ",".join(map(str, STATES)), "--step-ms", "200")
    service.rassim("phonebook", "add", "Lab", "--states", "0,1,2", "--step-ms", "200",
                   "--never-finish")
    failures = (check_batch_connects(service) + check_batch_cancelled(service) +
                check_batch_no_entry(service) +
                check_c_example(service, args) + check_without_oleaut32(service))
    return p.report(failures, "package with the service: batch file, C example and a run "
                    "without oleaut32.dll as expected")


if __name__ == "__main__":
    sys.exit(main())
