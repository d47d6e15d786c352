"""Dials through the real NetworkManager: a link that comes up, the
modem's failures, the cancel file, two dials at once, and the password
kept out of every output."""

import time

import daemon_case as c
import nelvo_driver as d
import other_clients
from daemon_case import CONNECTED_LINES, FAILED_LINES
from nelvo_driver import CONNECTION_FAILED, head, ipc_record, not_connected


class Connects(c.DaemonCase):

    def test_dial_brings_the_link_up_with_its_address(self):
        result = self.dial("office")
        self.assertEqual(head() + b"Connecting to Office\r\n" + CONNECTED_LINES, result.stdout)
        self.assertEqual(ipc_record(b"Connection Successful"), result.file("s.ipc"))
        self.assert_link_up("Office", 0)

    profiles = {**c.PROFILES, "Any": ("internet", None), "Either": ("internet", None)}

    def test_two_dials_at_once_from_two_processes(self):
        outputs, records = self.dial_together(["Office", "Home"])
        self.assertEqual([head() + b"Connecting to Office\r\n" + CONNECTED_LINES,
                          head() + b"Connecting to Home\r\n" + CONNECTED_LINES], outputs)
        self.assertEqual([ipc_record(b"Connection Successful")] * 2, records)
        self.assert_link_up("Office", 0)
        self.assert_link_up("Home", 1)

    def test_two_entries_that_may_take_either_modem_get_one_each(self):
        outputs, records = self.dial_together(["Any", "Either"])
        self.assertEqual([head() + b"Connecting to Any\r\n" + CONNECTED_LINES,
                          head() + b"Connecting to Either\r\n" + CONNECTED_LINES], outputs)
        self.assertEqual([ipc_record(b"Connection Successful")] * 2, records)
        self.assertEqual({"ttyNELVO0", "ttyNELVO1"},
                         {device for name, state, device in self.daemon.active()
                          if name in ("Any", "Either") and state == "activated"})

    def test_two_dials_of_one_entry_at_once_share_its_one_link(self):
        outputs, records = self.dial_together(["Either", "Either"])
        # The later dial follows the link the first started, from wherever
        # it had got to: its lines are the tail of the first one's.
        start = head() + b"Connecting to Either\r\n"
        self.assertIn(start + CONNECTED_LINES, outputs)
        for output in outputs:
            self.assertTrue(output.startswith(start), output)
            self.assertTrue(CONNECTED_LINES.endswith(output[len(start):]), output)
            self.assertTrue(output.endswith(b"Connection Successful\r\nConnected\r\n"), output)
        self.assertEqual([ipc_record(b"Connection Successful")] * 2, records)
        self.assertEqual(1, [name for name, _s, _d in self.daemon.active()].count("Either"))

    def test_password_in_no_report_line_log_or_ipc_file(self):
        # Once to a log under a console, once to redirected output; then a
        # failed dial, whose error path writes too.
        logged = self.run_nelvo(["/ENTRY:Office", "/LOG:dial.log", "/IPC:s.ipc"] + c.DIAL_ARGS,
                                stdout_mode="pty")
        self.assertEqual(head() + b"Connecting to Office\r\n" + CONNECTED_LINES,
                         logged.file("dial.log"))
        failed = self.dial("Busy")
        secret = c.PASSWORD.encode()
        for result in (logged, failed):
            self.assertNotIn(secret, result.stdout + result.console)
            for name, content in result.files.items():
                self.assertNotIn(secret, content, name)
        # Nor does NetworkManager's own debug log show it.
        self.assertNotIn(secret, self.daemon.nm_log())


class ModemFailures(c.DaemonCase):

    def check_failure(self, entry, code):
        result = self.dial(entry)
        self.assertEqual(head() + b"Connecting to %s\r\n" % entry.encode() + FAILED_LINES
                         + not_connected(code), result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_links_down_and_no_copies()

    def test_each_failure_ends_within_seconds_with_its_code(self):
        # A failed dial answers status queries with its error at once; a
        # library that did not would make the dialer wait out its 86 s.
        for entry, (_apn, code) in c.FAILURES.items():
            with self.subTest(entry):
                started = time.monotonic()
                self.check_failure(entry, code)
                self.assertLess(time.monotonic() - started, 20)

    def test_refused_login(self):
        # The network refuses the password; ModemManager's reason reaches
        # NetworkManager only as "unknown", so it reads as an unknown error.
        result = self.run_nelvo(["/ENTRY:Office", "/IPC:s.ipc", "/USER:joe", "/PASS:wrong",
                                 "/PHONE:*99#"])
        self.assertEqual(head() + b"Connecting to Office\r\n" + FAILED_LINES + not_connected(635),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_links_down_and_no_copies()


class Cancelled(c.DaemonCase):

    def test_cancel_file_ends_the_dial_and_the_link(self):
        canceller = d.later(2.5, lambda: (self.folder / "stop.qcx").write_bytes(b""))
        result = self.run_nelvo(["/ENTRY:Never", "/IPC:s.ipc", "/CANCEL:stop.qcx"]
                                + c.DIAL_ARGS)
        canceller.join()
        self.assertEqual(head() + b"Connecting to Never\r\n" + FAILED_LINES + not_connected(668),
                         result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_links_down_and_no_copies()

    def test_dial_agent_answers_networkmanager_alone(self):
        run = self.start_nelvo(["/ENTRY:Never", "/IPC:s.ipc"] + c.DIAL_ARGS)
        self.assertTrue(d.wait_for(lambda: "Never" in self.dialup_active(), 15, 0.05))
        copy = [uuid for name, uuid, _type in self.daemon.profiles()
                if (name, uuid, _type) not in self.stored]
        # Every bus peer but NetworkManager is refused the copy's secrets;
        # the dial's agent says so (the others have no agent at all).
        answers = other_clients.ask_every_agent(self.daemon.address, copy[0], "gsm")
        self.assertNotIn("", answers.values())
        self.assertIn("org.freedesktop.NetworkManager.SecretAgent.NoSecrets", answers.values())
        run.kill()
        run.communicate(timeout=d.TIMEOUT)

    def test_killed_mid_dial_leaves_no_copy_once_the_link_is_down(self):
        run = self.start_nelvo(["/ENTRY:Never", "/IPC:s.ipc"] + c.DIAL_ARGS)
        self.assertTrue(d.wait_for(lambda: "Never" in self.dialup_active(), 15, 0.05))
        time.sleep(0.5)
        run.kill()
        run.communicate(timeout=d.TIMEOUT)
        # The activation outlives the process; a hang-up run finds it.
        self.assertIn("Never", self.dialup_active())
        self.assert_hang_up_ends_link("never", "Never")


if __name__ == "__main__":
    c.main()
