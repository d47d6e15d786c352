"""Dial and hang-up through an installed nelvo (/usr/bin/nelvo, a link to
/usr/lib/nelvo/nelvo beside its librasapi32.so) against the real
NetworkManager; run by tests/package/check_deb.py after it installed the
package in a mount namespace of its own."""

import os

import daemon_case as c
from daemon_case import CONNECTED_LINES
from nelvo_driver import head, ipc_record


class Installed(c.DaemonCase):

    modems = 1
    profiles = {"Office": ("internet", 0)}

    def test_dial_and_hang_up_through_the_installed_program(self):
        self.assertEqual("../lib/nelvo/nelvo", os.readlink("/usr/bin/nelvo"))
        result = self.dial("Office")
        self.assertEqual(head() + b"Connecting to Office\r\n" + CONNECTED_LINES, result.stdout)
        self.assertEqual(ipc_record(b"Connection Successful"), result.file("s.ipc"))
        self.assert_link_up("Office", 0)
        self.assert_hang_up_ends_link("Office", "Office")


if __name__ == "__main__":
    c.main()
