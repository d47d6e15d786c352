"""Faults whose runs wait out a bound: a hang-up the service never
completes (about 10 seconds) and a dial whose status cannot be asked for
(the whole poll budget, about 86 seconds). Run one case per CTest test."""

import time

import nelvo_driver as d
import simulated_service as sim
import test_faults as f


class HangUpNeverCompletes(f.FaultCase):

    def test_hang_up_function_missing(self):
        # Nothing can ask the service to hang up: the run says so at once
        # (127, procedure not found) and the connection stays up.
        self.add_entry("Office")
        self.set_connections([(7, "Office")])
        self.use_library("no_RasHangUpA")
        started = time.monotonic()
        result = self.run_nelvo(["/ENTRY:office", "/IPC:s.ipc", "/LOG:h.log", "/HANGUP"],
                                stdout_mode="pty")
        self.assertLess(time.monotonic() - started, 5)
        self.assertEqual(d.head() + b"Hanging up ...\r\nHandle : 7 \r\n", result.file("h.log"))
        self.assertEqual(b"ERROR on hangup : 127", d.console_text(result.console).strip())
        self.assertEqual(d.ipc_record(b"Go"), result.file("s.ipc"))
        self.assertEqual([7], [handle for handle, _, _, _ in self.connections()])

    def test_cancelled_dial_whose_hang_up_never_completes(self):
        # The dial's own failure is reported once the wait gives up.
        self.add_entry("Office", *sim.STALLED, "--hangup-ms", "60000")
        canceller = d.later(2.5, lambda: (self.folder / "stop.qcx").write_bytes(b""))
        started = time.monotonic()
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/CANCEL:stop.qcx"]
                                + f.DIAL_ARGS)
        canceller.join()
        self.assertGreater(time.monotonic() - started, 12)
        self.assert_ends(result, b"Connecting to Office\r\nDialing\r\n" + d.not_connected(668),
                         d.CONNECTION_FAILED)
        self.assertEqual([b"Office"], [name for _, _, _, name in self.connections()])


class StatusNeverAnswers(f.FaultCase):

    def test_status_function_missing(self):
        # The dial connects, but no query can show it: the budget runs out
        # and the connection is hung up with the time-out code.
        self.add_entry("Office", *sim.FAST)
        self.use_library("no_RasGetConnectStatusA")
        d.TIMEOUT = 150
        result = self.dial()
        self.assert_ends(result, b"Connecting to Office\r\n" + d.progress_lines(sim.DEFAULT_STATES)
                         + d.not_connected(638), d.CONNECTION_FAILED)
        self.assertEqual([], self.connections())


if __name__ == "__main__":
    d.main()
