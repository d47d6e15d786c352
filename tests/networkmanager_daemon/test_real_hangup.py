"""Hang-ups through the real NetworkManager, and the daemon missing or
stopping under a dial."""

import signal
import time

import daemon_case as c
import nelvo_driver as d
from daemon_case import FAILED_LINES
from nelvo_driver import (CONNECTION_FAILED, HANGING_UP, NO_CONNECTIONS, NO_ENTRIES,
                          NO_ENTRIES_BLOCK, head, ipc_record, not_connected)


class HangUp(c.DaemonCase):

    def test_hang_up_takes_the_link_down(self):
        self.dial("Office")
        self.assert_link_up("Office", 0)
        self.assert_hang_up_ends_link("OFFICE", "Office")
        self.assertIn("GENERAL.STATE:30 (disconnected)", self.daemon.device_ip4("ttyNELVO0"))

    def test_hang_up_of_an_entry_whose_link_is_not_up(self):
        result = self.hang_up("Office")
        self.assertEqual(head() + HANGING_UP + NO_CONNECTIONS + b"\r\n", result.stdout)
        self.assertEqual(ipc_record(NO_CONNECTIONS), result.file("s.ipc"))
        # With another link up, that one is named and stays up.
        self.dial("Home")
        result = self.hang_up("Office")
        self.assertEqual(head() + HANGING_UP
                         + b"ERROR : The specified connection (Office) is not active\r\n"
                         + b"        Home is active\r\n", result.stdout)
        self.assertEqual(ipc_record(b"ERROR : OfficeNot active for HANGUP Home is active"),
                         result.file("s.ipc"))
        self.assert_link_up("Home", 1)


class NotRunning(c.DaemonCase):
    """The bus and the modem are there, NetworkManager is not."""

    modems = 1
    profiles = {"Office": ("internet", 0)}

    def test_no_phone_book_without_networkmanager(self):
        self.daemon.stop_nm()
        for mode in ([], ["/HANGUP"]):
            result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc"] + c.DIAL_ARGS + mode)
            self.assertEqual(head() + NO_ENTRIES_BLOCK, result.stdout)
            self.assertEqual(ipc_record(NO_ENTRIES), result.file("s.ipc"))

    def test_no_system_bus_at_all(self):
        missing = "unix:path=%s" % (self.folder / "no_bus_here")
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc"] + c.DIAL_ARGS,
                                env={"DBUS_SYSTEM_BUS_ADDRESS": missing})
        self.assertEqual(head() + NO_ENTRIES_BLOCK, result.stdout)


class StoppedMidDial(c.DaemonCase):

    modems = 1
    profiles = {"Never": ("hang", 0)}

    @classmethod
    def add_profiles(cls):
        super().add_profiles()
        cls.daemon.add_gsm("Office", password=c.PASSWORD)
        cls.stored = cls.daemon.profiles()

    def test_dial_whose_modem_another_activation_takes(self):
        taker = d.later(2.5, lambda: self.daemon.nmcli("connection", "up", "id", "Office"))
        result = self.run_nelvo(["/ENTRY:Never", "/IPC:s.ipc"] + c.DIAL_ARGS)
        taker.join()
        self.assertEqual(head() + b"Connecting to Never\r\n" + FAILED_LINES + not_connected(631),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_link_up("Office", 0)

    def test_networkmanager_stopped_mid_dial(self):
        # Killed outright: one stopped in order may first deactivate the link.
        stopper = d.later(2.5, lambda: self.daemon.stop_nm(signal.SIGKILL))
        started = time.monotonic()
        result = self.run_nelvo(["/ENTRY:Never", "/IPC:s.ipc"] + c.DIAL_ARGS)
        stopper.join()
        # The service went away: 711, within seconds rather than the
        # dialer's whole budget, and the output stays whole.
        self.assertEqual(head() + b"Connecting to Never\r\n" + FAILED_LINES + not_connected(711),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assertLess(time.monotonic() - started, 20)


if __name__ == "__main__":
    c.main()
