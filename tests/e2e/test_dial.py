"""Dial runs against the simulated service: the entry lookup, what is
dialled, the progress report and IPC status, cancelling and failures."""

import subprocess
import time

import nelvo_driver as d
import simulated_service as sim
from nelvo_driver import (BANNER, CONNECTION_FAILED, CREATE_ENTRY, NO_ENTRIES_BLOCK, head,
                          hung_up, ipc_record, not_connected, progress_lines)
from simulated_service import STALLED

DIAL_ARGS = ["/USER:joe", "/PASS:secret", "/PHONE:555-0199"]


def try_open(folder, name):
    """Output of the tryopen helper on a file in the folder."""
    done = subprocess.run(d.RUNNER + [d.tool_path("tryopen"), name], cwd=folder,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, timeout=d.TIMEOUT)
    return done.stdout.strip()


def is_subsequence(part, whole):
    rest = iter(whole)
    return all(any(item == other for other in rest) for item in part)


class EntryLookup(sim.ServiceCase):

    def test_empty_phone_book(self):
        for mode in ([], ["/HANGUP"]):
            result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc"] + DIAL_ARGS + mode)
            self.assertEqual(head() + NO_ENTRIES_BLOCK, result.stdout)
            self.assertEqual(ipc_record(d.NO_ENTRIES), result.file("s.ipc"))

    def test_unknown_entry_in_both_modes(self):
        self.add_entry("Office")
        self.set_connections([(5, "Office")])
        for mode in ([], ["/HANGUP"]):
            result = self.run_nelvo(["/ENTRY:Offic", "/IPC:s.ipc"] + DIAL_ARGS + mode)
            self.assertEqual(head() + b"ERROR : Offic Phone Book Entry is missing\r\n"
                             + CREATE_ENTRY, result.stdout)
            self.assertEqual(ipc_record(b"ERROR : RAS Offic Phone Book Entry is missing"),
                             result.file("s.ipc"))
        self.assertEqual([], self.dials())
        self.assertEqual(1, len(self.connections()))


class Dialling(sim.ServiceCase):

    def test_connects_with_log_and_ipc_then_hangs_up(self):
        self.add_entry("Home", "--step-ms", "50")
        self.add_entry("Office", "--phone", "555-0100", "--user", "stored", "--step-ms", "300")
        probes = {}

        def probe():
            probes["log"] = try_open(self.folder, "dial.log")
            probes["ipc"] = try_open(self.folder, "dial.ipc")

        with sim.IpcSampler(self.folder / "dial.ipc") as sampler:
            prober = d.later(1.5, probe)
            result = self.run_nelvo(["/ENTRY:Office", "/LOG:dial.log", "/IPC:dial.ipc"]
                                    + DIAL_ARGS, stdout_mode="pty")
            prober.join()
        self.assertEqual(head("dial.ipc") + b"Connecting to Office\r\n"
                         + progress_lines(sim.DEFAULT_STATES) + b"Connected\r\n",
                         result.file("dial.log"))
        self.assertEqual(b"", d.console_text(result.console).strip())
        final = ipc_record(b"Connection Successful")
        self.assertEqual(final, result.file("dial.ipc"))

        # While the dial ran, the log was kept from other programs and the
        # IPC file was open to them.
        self.assertEqual(b"refused 32", probes["log"])  # a sharing violation
        self.assertEqual(b"opened", probes["ipc"])

        # Each state stays 300 ms, long enough to be sampled; the ones that
        # follow each other within a moment may be missed.
        expected = [ipc_record(b"Go"), ipc_record(b"STATUS : Connecting to Office")]
        expected += [ipc_record(d.state_status(s)) for s in sim.DEFAULT_STATES]
        self.assertTrue(is_subsequence(sampler.records, expected), sampler.records)
        for status in (b"Dialing", b" 6", b"Authenticated"):
            self.assertIn(ipc_record(status), sampler.records)
        self.assertEqual(final, sampler.records[-1])

        [(handle, state, error, name)] = self.connections()
        self.assertEqual((8192, 0, b"Office"), (state, error, name))
        self.assertEqual([(b"Office", b"555-0199", b"joe", b"yes")], self.dials())

        result = self.run_nelvo(["/ENTRY:office", "/IPC:dial.ipc", "/HANGUP"])
        self.assertEqual(head("dial.ipc") + hung_up(handle),
                         result.stdout)
        self.assertEqual(ipc_record(b"Go"), result.file("dial.ipc"))
        self.assertEqual([], self.connections())

    def test_case_ignored_last_match_dialled_long_phone_cut(self):
        # "oFFice" matches both; the later one is dialled and shown as stored.
        self.add_entry("Office", "--step-ms", "50")
        self.add_entry("Home", "--step-ms", "50")
        self.add_entry("OFFICE", "--step-ms", "50")
        phone = "".join(str(i % 10) for i in range(200))
        result = self.run_nelvo(["/ENTRY:oFFice", "/USER:joe", "/PASS:pw", "/PHONE:" + phone])
        self.assertEqual(BANNER + b"Connecting to OFFICE\r\n"
                         + progress_lines(sim.DEFAULT_STATES) + b"Connected\r\n", result.stdout)
        # The service itself finds names without regard to case, so what
        # it was handed is what tells.
        self.assertEqual([(b"OFFICE", phone[:128].encode(), b"joe", b"yes")], self.dials())


class DialEndsWithoutConnection(sim.ServiceCase):

    def test_cancel_file_ends_the_dial(self):
        self.add_entry("Office", *STALLED)
        created = []

        def cancel():
            (self.folder / "stop.qcx").write_bytes(b"")
            created.append(time.monotonic())

        canceller = d.later(2.5, cancel)
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS)
        ended = time.monotonic()
        canceller.join()
        self.assertEqual(head() + b"Connecting to Office\r\nDialing\r\n" + not_connected(668),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assertLess(ended - created[0], 2.5)
        self.assertEqual(b"", result.file("stop.qcx"))
        self.assertEqual([], self.connections())

    def test_failing_status_query_ends_the_dial_with_its_code(self):
        self.add_entry("Office", *STALLED)
        self.rassim("fault", "status-fails-after", "2", "629")
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc"] + DIAL_ARGS)
        self.assertEqual(head() + b"Connecting to Office\r\nDialing\r\n" + not_connected(629),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assertEqual([], self.connections())


if __name__ == "__main__":
    d.main()
