"""Runs that meet a fault: the remote-access library or one of its
functions missing, enumerations that fail, files that other programs hold,
a full disk, a dialling process killed midway. Each run still ends with its
report, one whole 64-byte IPC record and exit code 0, and the password is
written nowhere."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import nelvo_driver as d
import simulated_service as sim
from nelvo_driver import (CONNECTION_FAILED, CREATE_ENTRY, HANGING_UP, NO_CONNECTIONS, NO_ENTRIES,
                          NO_ENTRIES_BLOCK, head, hung_up, ipc_record, not_connected,
                          progress_lines)
from simulated_service import FAST, STALLED

PASSWORD = "Pw-7c1d9"
DIAL_ARGS = ["/USER:joe", "/PASS:" + PASSWORD, "/PHONE:555-0199"]
CONNECTED = b"Connecting to Office\r\n" + progress_lines(sim.DEFAULT_STATES) + b"Connected\r\n"


class FaultCase(sim.ServiceCase):
    """Checks every run's outputs for the password, and can run a copy of
    the program beside a remote-access library of its choice."""

    def setUp(self):
        super().setUp()
        self.program_folder = Path(tempfile.mkdtemp(prefix="nelvo-lib-"))
        self.program = None  # None: the program as built, beside the whole simulator
        self.password = PASSWORD

    def tearDown(self):
        shutil.rmtree(self.program_folder, ignore_errors=True)
        super().tearDown()

    def use_library(self, variant):
        """Runs later runs from a copy of the program that finds, beside it,
        the simulator without the named function ("no_RasDialA"), or no
        library at all (None)."""
        shutil.rmtree(self.program_folder)
        self.program_folder.mkdir()
        self.program = str(self.program_folder / os.path.basename(d.PROGRAM))
        shutil.copy2(d.PROGRAM, self.program)
        if variant is not None:
            name = "rasapi32.dll" if d.is_windows_build() else "librasapi32.so"
            source = Path(d.PROGRAM).parent / "variants" / variant / name
            shutil.copy2(source, self.program_folder / name)
        # Nothing but the folder of the copy may supply the library.
        self.env["LD_LIBRARY_PATH"] = ""

    def use_built_program_with_fault(self, *fault):
        self.program = None
        self.rassim("fault", *fault)

    def run_nelvo(self, args, **kwargs):
        kwargs.setdefault("cwd", self.folder)
        kwargs["env"] = dict(self.env, **(kwargs.get("env") or {}))
        result = d.run_program(self.program or d.PROGRAM, args, **kwargs)
        self.assertEqual(0, result.exit_code)
        self.assert_no_password(result.stdout, result.console, *result.files.values())
        return result

    def assert_no_password(self, *outputs):
        state = [p.read_bytes() for p in self.state_folder.iterdir() if p.is_file()]
        for output in list(outputs) + state:
            self.assertNotIn(self.password.encode(), output)

    def dial(self, entry="Office", **kwargs):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc"] + DIAL_ARGS, **kwargs)

    def hang_up(self, entry="Office", **kwargs):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc", "/HANGUP"], **kwargs)

    def assert_ends(self, result, report, status):
        self.assertEqual(head() + report, result.stdout)
        self.assertEqual(ipc_record(status), result.file("s.ipc"))


class RemoteAccessFaults(FaultCase):

    def test_phone_book_unreadable_in_both_modes(self):
        # No library, no enumeration function, or the enumeration failing
        # all read as an empty phone book; the connection is left alone.
        setups = [
            lambda: self.use_library(None),
            lambda: self.use_library("no_RasEnumEntriesA"),
            lambda: self.use_built_program_with_fault("enum-entries-error", "621"),
        ]
        self.add_entry("Office", *FAST)
        self.set_connections([(7, "Office")])
        for setup in setups:
            setup()
            for mode in ([], ["/HANGUP"]):
                result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc"] + DIAL_ARGS + mode)
                self.assert_ends(result, NO_ENTRIES_BLOCK, NO_ENTRIES)
        self.assertEqual([], self.dials())
        self.assertEqual([(7, 8192, 0, b"Office")], self.connections())

    def test_connections_unreadable(self):
        # Without the connection list the hang-up finds nothing to hang up.
        self.add_entry("Office", *FAST)
        self.set_connections([(7, "Office")])
        for setup in (lambda: self.use_library("no_RasEnumConnectionsA"),
                      lambda: self.use_built_program_with_fault("enum-connections-error", "621")):
            setup()
            result = self.hang_up()
            self.assert_ends(result, HANGING_UP + NO_CONNECTIONS + b"\r\n",
                             NO_CONNECTIONS)
        self.assertEqual([(7, 8192, 0, b"Office")], self.connections())

    def test_stored_dial_values_missing_still_dials_the_caller_values(self):
        self.add_entry("Office", "--phone", "555-0100", "--user", "stored", *FAST)
        self.use_library("no_RasGetEntryDialParamsA")
        result = self.dial()
        self.assert_ends(result, CONNECTED, b"Connection Successful")
        self.assertEqual([(b"Office", b"555-0199", b"joe", b"yes")], self.dials())
        self.assertEqual([b"Office"], [name for _, _, _, name in self.connections()])

    def test_dial_function_missing_fails_on_the_unknown_handle(self):
        # Nothing was dialled, so the first status query meets handle 0.
        self.add_entry("Office", *FAST)
        self.use_library("no_RasDialA")
        result = self.dial()
        self.assert_ends(result, b"Connecting to Office\r\n" + not_connected(6),
                         CONNECTION_FAILED)
        self.assertEqual([], self.dials())
        self.assertEqual([], self.connections())

    def test_status_function_missing_still_cancels_and_hangs_up(self):
        # The dial connects but cannot be seen to; the cancel file still
        # ends the wait, and the connection is hung up.
        self.add_entry("Office", *FAST)
        self.use_library("no_RasGetConnectStatusA")
        cancelled = []

        def cancel():
            (self.folder / "stop.qcx").write_bytes(b"")
            cancelled.append(time.monotonic())

        canceller = d.later(3, cancel)
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS)
        canceller.join()
        # The hang-up's wait cannot ask for the status either and must not
        # read that as a connection still there.
        self.assertLess(time.monotonic() - cancelled[0], 5)
        self.assert_ends(result, b"Connecting to Office\r\n" + progress_lines(
            sim.DEFAULT_STATES) + not_connected(668), CONNECTION_FAILED)
        self.assertEqual(1, len(self.dials()))
        self.assertEqual([], self.connections())


class EnumerationRace(FaultCase):

    def test_second_entry_request_failing_reads_as_empty_then_recovers(self):
        # An entry added between the request that sized the list and the
        # one that fills it makes the second request fail too.
        self.add_entry("Home", *FAST)
        self.add_entry("Office", *FAST)
        self.rassim("fault", "add-entry-between-requests")
        result = self.dial()
        self.assert_ends(result, NO_ENTRIES_BLOCK, NO_ENTRIES)
        self.assertEqual(b"Home\nOffice\nAdded Entry 3\n", self.rassim("phonebook", "list"))
        result = self.dial()
        self.assert_ends(result, CONNECTED, b"Connection Successful")


class FilesHeldOrFull(FaultCase):

    def test_held_cancel_file_counts_once_released(self):
        self.add_entry("Office", *STALLED)
        times = {}

        def hold():
            with d.HeldOpen(self.folder, "stop.qcx"):
                times["held"] = time.monotonic()
                time.sleep(3)
                times["released"] = time.monotonic()

        holder = d.later(2.5, hold)
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS)
        ended = time.monotonic()
        holder.join()
        self.assert_ends(result, b"Connecting to Office\r\nDialing\r\n" + not_connected(668),
                         CONNECTION_FAILED)
        # Not while held, but soon after: far from the end of the poll budget.
        self.assertGreater(ended - times["held"], 3)
        self.assertLess(ended - times["released"], 5)
        self.assertEqual([], self.connections())

    def test_report_on_a_full_device_is_lost_quietly(self):
        if d.is_windows_build():
            self.skipTest("no full device under Wine")
        self.add_entry("Office", *FAST)
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/LOG:/dev/full"] + DIAL_ARGS,
                                stdout_mode="pty")
        self.assertEqual(b"", d.console_text(result.console).strip())
        self.assertEqual({"s.ipc": ipc_record(b"Connection Successful")}, result.files)
        # Standard output itself on the full device: the same, run by hand
        # since the driver keeps standard output for itself.
        env = dict(os.environ, **self.env)
        with open("/dev/full", "wb") as full:
            code = subprocess.run([d.PROGRAM, "/ENTRY:Office", "/IPC:t.ipc", "/HANGUP"],
                                  cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                  stdout=full, timeout=d.TIMEOUT).returncode
        self.assertEqual(0, code)
        self.assertEqual(ipc_record(b"Go"), (self.folder / "t.ipc").read_bytes())
        self.assertEqual([], self.connections())


class KilledMidDial(FaultCase):

    def start(self, args):
        """Starts nelvo in a process group of its own, output to a file."""
        env = dict(os.environ, **self.env)
        with open(self.folder / "out.txt", "wb") as out:
            return subprocess.Popen(d.RUNNER + [d.PROGRAM] + args, cwd=self.folder, env=env,
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    start_new_session=True)

    def test_ipc_record_stays_whole_and_next_runs_work(self):
        # States change every 20 ms: the kill lands while the IPC record
        # is being rewritten again and again.
        states = list(range(0, 20))
        self.add_entry("Office", "--states", ",".join(map(str, states)), "--never-finish",
                       "--step-ms", "20")
        known = {ipc_record(b"Go"), ipc_record(b"STATUS : Connecting to Office")}
        known |= {ipc_record(d.state_status(s)) for s in states}
        ipc = self.folder / "s.ipc"
        for delay in (0.0, 0.13, 0.31):
            ipc.unlink(missing_ok=True)
            process = self.start(["/ENTRY:Office", "/IPC:s.ipc"] + DIAL_ARGS)
            try:
                started = d.wait_for(lambda: ipc.exists() and ipc.read_bytes() not in
                                     (b"", ipc_record(b"Go"),
                                      ipc_record(b"STATUS : Connecting to Office")))
                self.assertTrue(started)
                time.sleep(delay)
            finally:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=d.TIMEOUT)
            self.assertIn(ipc.read_bytes(), known)
            # The dial died with its process; the state still reads.
            self.assertTrue(d.wait_for(lambda: self.connections() == [], timeout=10))
        self.assert_no_password((self.folder / "out.txt").read_bytes(), ipc.read_bytes())

        self.rassim("phonebook", "clear")
        self.add_entry("Office", *FAST)
        result = self.dial()
        self.assert_ends(result, CONNECTED, b"Connection Successful")
        [(handle, _, _, _)] = self.connections()
        result = self.hang_up()
        self.assert_ends(result, hung_up(handle), b"Go")
        self.assertEqual([], self.connections())


class PasswordInsideAnotherValue(FaultCase):

    def test_only_the_part_the_command_line_gives_another_option_shows(self):
        # "/PASS:x/ENTRY:abc" makes the entry name "abc"; the whole password
        # is still written nowhere.
        self.add_entry("Office", *FAST)
        self.password = "x/ENTRY:abc"
        args = ["/IPC:s.ipc", "/USER:joe", "/PASS:x/ENTRY:abc", "/PHONE:555"]
        result = self.run_nelvo(args)
        self.assert_ends(result, b"ERROR : abc Phone Book Entry is missing\r\n" + CREATE_ENTRY,
                         b"ERROR : RAS abc Phone Book Entry is missing")
        self.add_entry("abc", *FAST)
        result = self.run_nelvo(args, stdout_mode="pipe")
        self.assert_ends(result, CONNECTED.replace(b"Office", b"abc"), b"Connection Successful")
        self.assertEqual([(b"abc", b"555", b"joe", b"yes")], self.dials())


if __name__ == "__main__":
    d.main()
