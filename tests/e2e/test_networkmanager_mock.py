"""Whole nelvo runs through bin/networkmanager/nelvo, the dialer beside the
NetworkManager library, against the NetworkManager stand-in on a private
bus: report lines and IPC file compared byte for byte, and what
NetworkManager holds afterwards."""

import sys
import time
from pathlib import Path

import dbus

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
sys.path.insert(0, str(HERE.parent / "networkmanager_mock"))

import mock_bus  # noqa: E402
import nelvo_driver as d  # noqa: E402
from nelvo_driver import (CONNECTION_FAILED, CREATE_ENTRY, HANGING_UP,  # noqa: E402
                          NO_CONNECTIONS, NO_ENTRIES_BLOCK, head, hung_up, ipc_record,
                          not_connected, progress_lines)

PASSWORD = "Pw-7f3q9"
DIAL_ARGS = ["/USER:joe", "/PASS:" + PASSWORD, "/PHONE:5550100"]
# The states of a dial through NetworkManager up to the modem's connect, to
# the login, and to the end.
PREPARE = progress_lines([0, 1, 2, 3, 4])
LOGIN = progress_lines([0, 1, 2, 3, 4, 5])
PROGRESS = progress_lines([0, 1, 2, 3, 4, 5, 14, 8192])
NM = "org.freedesktop.NetworkManager"
NM_PATH = "/org/freedesktop/NetworkManager"


class NetworkManagerCase(d.NelvoCase):
    """A test case with the stand-in on a private bus, emptied before each test."""

    @classmethod
    def setUpClass(cls):
        cls.bus = mock_bus.MockBus()
        cls.bus.start_mock()

    @classmethod
    def tearDownClass(cls):
        cls.bus.close()

    def setUp(self):
        super().setUp()
        self.env["DBUS_SYSTEM_BUS_ADDRESS"] = self.bus.address
        self.connection = dbus.bus.BusConnection(self.bus.address)
        self.control("ResetWorld")

    def tearDown(self):
        self.connection.close()
        super().tearDown()

    def nm_object(self, path):
        return self.connection.get_object(NM, path)

    def control(self, method, *args):
        interface = dbus.Interface(self.nm_object(NM_PATH), NM + ".TestControl")
        return getattr(interface, method)(*args)

    def add_profile(self, name, kind="gsm", **options):
        return self.control("AddProfile", name, kind, dbus.Dictionary(options, signature="sv"))

    def active_links(self):
        """(handle, id, state) of every active connection NetworkManager holds."""
        paths = self.nm_object(NM_PATH).Get(NM, "ActiveConnections",
                                            dbus_interface=dbus.PROPERTIES_IFACE)
        links = []
        for path in paths:
            props = self.nm_object(path).GetAll(NM + ".Connection.Active",
                                                dbus_interface=dbus.PROPERTIES_IFACE)
            links.append((int(path.rsplit("/", 1)[1]), str(props["Id"]), int(props["State"])))
        return links

    def profile_count(self):
        settings = self.nm_object(NM_PATH + "/Settings")
        return len(settings.ListConnections(dbus_interface=NM + ".Settings"))

    def dial(self, entry="Mobile", **kwargs):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc"] + DIAL_ARGS, **kwargs)

    def hang_up(self, entry="Mobile"):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:h.ipc", "/HANGUP"])

    def assert_no_password(self, result):
        for name, content in [("stdout", result.stdout)] + sorted(result.files.items()):
            self.assertNotIn(PASSWORD.encode(), content, name)


def dial_head(entry=b"Mobile"):
    return head() + b"Connecting to " + entry + b"\r\n"


class Dialling(NetworkManagerCase):

    def test_connects_stays_up_and_a_later_run_hangs_it_up(self):
        self.add_profile("Mobile", number="*99#")
        result = self.dial()
        self.assertEqual(dial_head() + PROGRESS + b"Connected\r\n", result.stdout)
        self.assertEqual(ipc_record(b"Connection Successful"), result.file("s.ipc"))
        self.assert_no_password(result)
        links = self.active_links()
        self.assertEqual(1, len(links))
        handle, name, state = links[0]
        self.assertEqual(("Mobile", 2), (name, state))
        self.assertEqual(2, self.profile_count())  # the profile and its volatile copy

        result = self.hang_up("MOBILE")
        self.assertEqual(head("h.ipc") + hung_up(handle), result.stdout)
        self.assertEqual(ipc_record(b"Go"), result.file("h.ipc"))
        self.assertEqual([], self.active_links())
        self.assertEqual(1, self.profile_count())

    def test_failures_give_their_codes(self):
        cases = [("busy", "gsm", PREPARE, 676),
                 ("no-answer", "gsm", PREPARE, 678),
                 ("no-carrier", "gsm", PREPARE, 679),
                 ("refused", "gsm", LOGIN, 635),
                 ("refused-ppp", "pppoe", LOGIN, 734)]
        for outcome, kind, lines, code in cases:
            with self.subTest(outcome):
                self.add_profile(outcome, kind, outcome=outcome)
                started = time.monotonic()
                result = self.dial(outcome)
                self.assertLess(time.monotonic() - started, 40)  # not the 86 s budget
                self.assertEqual(dial_head(outcome.encode()) + lines + not_connected(code),
                                 result.stdout)
                self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
                self.assert_no_password(result)
                self.assertEqual([], self.active_links())

    def test_cancel_file_ends_the_dial_and_the_link(self):
        self.add_profile("Mobile", outcome="never")
        canceller = d.later(2.5, lambda: (self.folder / "stop.qcx").write_bytes(b""))
        result = self.run_nelvo(["/ENTRY:Mobile", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS)
        canceller.join()
        self.assertEqual(dial_head() + LOGIN + not_connected(668), result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assertEqual([], self.active_links())
        self.assertEqual(1, self.profile_count())

    def test_refused_permission(self):
        self.add_profile("Mobile")
        self.control("SetDenied", "activate", True)
        # Standard output a console: the report goes to the log.
        result = self.run_nelvo(["/ENTRY:Mobile", "/IPC:s.ipc", "/LOG:dial.log"] + DIAL_ARGS,
                                stdout_mode="pty")
        self.assertEqual(dial_head() + not_connected(5), result.file("dial.log"))
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        # No report line on the console; where this machine has no dial lock
        # (a run by another user than root), the line that says so.
        console = d.console_text(result.console).strip().splitlines()
        self.assertEqual([], [line for line in console if b"dial lock" not in line])
        self.assert_no_password(result)


class BadInput(NetworkManagerCase):

    def test_names_and_values_that_are_not_utf8(self):
        self.add_profile("Mobile")
        result = self.run_nelvo([b"/ENTRY:Mob\xffile", "/IPC:s.ipc"] + DIAL_ARGS)
        self.assertEqual(head() + b"ERROR : Mob\xffile Phone Book Entry is missing\r\n"
                         + CREATE_ENTRY, result.stdout)
        result = self.run_nelvo(["/ENTRY:Mobile", "/IPC:s.ipc", "/USER:joe", b"/PASS:\xe9t\xe9",
                                 "/PHONE:1"])
        self.assertEqual(dial_head() + not_connected(87), result.stdout)
        self.assertEqual([], self.active_links())


class HangingUp(NetworkManagerCase):

    def test_entry_not_up(self):
        self.add_profile("Mobile")
        self.add_profile("DSL", "pppoe")
        result = self.hang_up()
        self.assertEqual(head("h.ipc") + HANGING_UP + NO_CONNECTIONS + b"\r\n", result.stdout)
        self.assertEqual(ipc_record(NO_CONNECTIONS), result.file("h.ipc"))

        self.control("AddActiveConnections", 1, "DSL", "pppoe")
        result = self.hang_up()
        self.assertEqual(head("h.ipc") + HANGING_UP
                         + b"ERROR : The specified connection (Mobile) is not active\r\n"
                         + b"        DSL is active\r\n", result.stdout)
        self.assertEqual(1, len(self.active_links()))


class NoNetworkManager(NetworkManagerCase):

    def test_no_bus_and_no_daemon_read_as_an_empty_phone_book(self):
        self.add_profile("Mobile")
        expected = head() + NO_ENTRIES_BLOCK
        result = self.dial(env={"DBUS_SYSTEM_BUS_ADDRESS": "unix:path=/nonexistent/bus"})
        self.assertEqual(expected, result.stdout)
        self.bus.stop_mock()
        try:
            result = self.dial()
            self.assertEqual(expected, result.stdout)
            self.assert_no_password(result)
        finally:
            self.restart_network_manager()

    def test_network_manager_stopping_mid_dial(self):
        self.add_profile("Mobile", outcome="never")
        self.control("Quit", 2500)
        try:
            result = self.dial()
            self.assertEqual(dial_head() + LOGIN + not_connected(711), result.stdout)
            self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        finally:
            self.restart_network_manager()

    def restart_network_manager(self):
        self.bus.stop_mock()
        self.bus.start_mock()
        self.connection.close()
        self.connection = dbus.bus.BusConnection(self.bus.address)


if __name__ == "__main__":
    d.main()
