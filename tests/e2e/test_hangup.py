"""Hang-up runs against the simulated service: which connection is hung
up, the messages when the named one is not active, and a failed hang-up
whose line goes to the console window alone."""

import nelvo_driver as d
import simulated_service as sim
from nelvo_driver import HANGING_UP, NO_CONNECTIONS, head, ipc_record

HEAD = head() + HANGING_UP


class HangUp(sim.ServiceCase):

    def setUp(self):
        super().setUp()
        for name in ("Home", "Office", "Backup Line"):
            self.add_entry(name)

    def hang_up(self, entry="office", **kwargs):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc", "/HANGUP"], **kwargs)

    def test_named_connection_hung_up_where_ever_it_is_listed(self):
        # Case is ignored; another link listed first stays up.
        for listed in ([(7, "OFFICE")], [(3, "Home"), (7, "OFFICE"), (9, "Backup Line")]):
            self.set_connections(listed)
            result = self.hang_up()
            self.assertEqual(HEAD + b"Handle : 7 \r\nOK\r\n", result.stdout)
            self.assertEqual(ipc_record(b"Go"), result.file("s.ipc"))
            self.assertEqual([(h, 8192, 0, n.encode()) for h, n in listed if h != 7],
                             self.connections())

    def test_named_entry_not_active(self):
        # The message names the first listed connection with a positive
        # handle; a handle that reads as negative is passed over.
        cases = [
            ([(3, "Home")], b"Home"),
            ([(4294967295, "Backup Line"), (5, "Home")], b"Home"),
            ([(4294967295, "Backup Line")], b""),
        ]
        for listed, active in cases:
            self.set_connections(listed)
            result = self.hang_up(entry="Office")
            self.assertEqual(HEAD + b"ERROR : The specified connection (Office) is not active\r\n"
                             + b"        " + active + b" is active\r\n", result.stdout)
            self.assertEqual(
                ipc_record(b"ERROR : OfficeNot active for HANGUP " + active + b" is active"),
                result.file("s.ipc"))
            self.assertEqual(len(listed), len(self.connections()))

    def test_no_active_connection(self):
        result = self.hang_up()
        self.assertEqual(HEAD + NO_CONNECTIONS + b"\r\n", result.stdout)
        self.assertEqual(ipc_record(NO_CONNECTIONS), result.file("s.ipc"))

    def test_failed_hang_up_reaches_the_console_only(self):
        # The connection outlives the hang-up's wait, which then reports 638.
        self.set_connections([(7, "Office")], hang_up_ms=60000)
        result = self.run_nelvo(["/ENTRY:office", "/IPC:s.ipc", "/LOG:h.log", "/HANGUP"],
                                stdout_mode="pty")
        self.assertEqual(HEAD + b"Handle : 7 \r\n", result.file("h.log"))
        self.assertEqual(b"ERROR on hangup : 638", d.console_text(result.console).strip())
        self.assertEqual(ipc_record(b"Go"), result.file("s.ipc"))
        self.assertEqual([7], [handle for handle, _, _, _ in self.connections()])


if __name__ == "__main__":
    d.main()
