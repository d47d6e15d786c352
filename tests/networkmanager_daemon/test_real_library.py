"""The library's answers from the real NetworkManager, past what nelvo
prints: the phone book while a dial's copy is up beside its profile,
stored passwords as NetworkManager hands them out, and the connection
list and status of a dial."""

from pathlib import Path

import daemon_case as c
import nm_harness
import ras_library
from nelvo_driver import CONNECTION_FAILED, CREATE_ENTRY, head, ipc_record, not_connected


class Library(c.DaemonCase):

    modems = 1
    profiles = {"Office": ("internet", 0), "Never": ("hang", 0)}

    @classmethod
    def add_profiles(cls):
        super().add_profiles()
        cls.daemon.add_gsm("Stored", apn="internet", user="ann", password="pw-in-profile")
        cls.stored = cls.daemon.profiles()

    def setUp(self):
        super().setUp()
        self.lib = ras_library.Library(Path(c.d.PROGRAM).parent / "librasapi32.so")

    def test_phone_book_lists_an_entry_once_while_its_copy_is_up(self):
        self.dial("Office")
        # NetworkManager itself lists the dial's copy beside the profile.
        names = [name for name, _uuid, _type in self.daemon.profiles()]
        self.assertEqual(2, names.count("Office"))
        self.assertEqual((0, ["Office", "Never", "Stored"]),
                         self.with_bus(self.lib.enum_entries))

    def test_stored_password_flag_but_never_the_password(self):
        self.assertEqual((0, "ann", "", 1),
                         self.with_bus(lambda: self.lib.dial_params("Stored")))
        # Office's password is not saved ("asked for"): not stored.
        self.assertEqual((0, "joe", "", 0),
                         self.with_bus(lambda: self.lib.dial_params("Office")))

    def test_connections_and_status_of_a_dial_then_unknown_after_hang_up(self):
        code, handle = self.with_bus(lambda: self.lib.dial("Office", c.PASSWORD))
        self.assertEqual(0, code)
        self.assertEqual(self.daemon.active_handles()["Office"], handle)
        self.assertEqual((0, [(handle, "Office")]), self.with_bus(self.lib.enum_connections))
        self.assertEqual((0, ras_library.CONNECTED), self.with_bus(lambda: self.lib.status(handle)))
        self.assertEqual(0, self.with_bus(lambda: self.lib.hang_up(handle)))
        self.assertTrue(c.wait_for(
            lambda: self.with_bus(lambda: self.lib.status(handle))[0]
            == ras_library.UNKNOWN_HANDLE, 10))
        self.assert_links_down_and_no_copies()

    def test_failed_dial_answers_with_its_error_until_hung_up(self):
        code, handle = self.with_bus(lambda: self.lib.dial("Office", "wrong"))
        # Synchronous: the refused login comes back as the dial's result.
        self.assertEqual(635, code)
        self.assertEqual(635, self.with_bus(lambda: self.lib.status(handle))[0])
        self.assertEqual(0, self.with_bus(lambda: self.lib.hang_up(handle)))
        self.assertEqual(ras_library.UNKNOWN_HANDLE,
                         self.with_bus(lambda: self.lib.status(handle))[0])
        self.assert_links_down_and_no_copies()

    def test_profile_deleted_between_listing_and_dial(self):
        self.daemon.add_gsm("Gone", apn="internet")
        self.assertIn("Gone", self.with_bus(self.lib.enum_entries)[1])
        self.daemon.nmcli("connection", "delete", "id", "Gone")
        code, handle = self.with_bus(lambda: self.lib.dial("Gone", c.PASSWORD))
        self.assertEqual(623, code)
        self.assertEqual(0, self.with_bus(lambda: self.lib.hang_up(handle)))
        self.assert_links_down_and_no_copies()

    def test_values_that_are_not_utf8_go_nowhere_near_the_bus(self):
        # D-Bus carries only UTF-8: a daemon handed other bytes would drop
        # the connection. An entry name matches nothing; a password is 87.
        result = self.run_nelvo([b"/ENTRY:Off\xffice", "/IPC:s.ipc"] + c.DIAL_ARGS)
        self.assertEqual(head() + b"ERROR : Off\xffice Phone Book Entry is missing\r\n"
                         + CREATE_ENTRY, result.stdout)
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/USER:joe", b"/PASS:\xe9t\xe9",
                                 "/PHONE:*99#"])
        self.assertEqual(head() + b"Connecting to Office\r\n" + not_connected(87), result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_links_down_and_no_copies()
        self.assertTrue(self.daemon.has_name(nm_harness.NM_NAME))

    def test_phone_book_as_it_is_at_each_call(self):
        # The library keeps what it read between calls: a change made just
        # before a call must show in that call's answer.
        self.assertEqual((0, ["Office", "Never", "Stored"]), self.with_bus(self.lib.enum_entries))
        self.daemon.nmcli("connection", "modify", "id", "Never", "connection.id", "Later")
        self.assertEqual((0, ["Office", "Later", "Stored"]), self.with_bus(self.lib.enum_entries))
        self.daemon.nmcli("connection", "modify", "id", "Later", "connection.id", "Never")
        self.assertEqual((0, ["Office", "Never", "Stored"]), self.with_bus(self.lib.enum_entries))


if __name__ == "__main__":
    c.main()
