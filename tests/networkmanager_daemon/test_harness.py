"""The real-daemon setup itself: NetworkManager activates a mobile-broadband
profile through the stand-in ModemManager, the stand-in fails on cue, and
the setup leaves the machine's own networking, processes and files as they
were, also when the test process is killed outright."""

import os
import signal
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

import nm_harness


def host_links():
    """The machine's own network interfaces, as ip shows them."""
    done = subprocess.run(["ip", "-o", "link", "show"], stdout=subprocess.PIPE, text=True,
                          check=True, timeout=10)
    return sorted(line.split(":")[1].strip().split("@")[0] for line in done.stdout.splitlines())


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie has ended too.
    with open("/proc/%d/stat" % pid, encoding="ascii") as stat:
        return stat.read().rsplit(")", 1)[1].split()[0] != "Z"


class ThroughNmcli(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.links_before = host_links()
        cls.daemon = nm_harness.RealDaemon(modems=1, password="pw").start()

    @classmethod
    def tearDownClass(cls):
        cls.daemon.stop()

    def test_gsm_profile_activates_with_the_bearer_address(self):
        self.daemon.add_gsm("Net", apn="internet", password="pw")
        self.daemon.nmcli("connection", "up", "id", "Net")
        self.assertIn(("Net", "activated", "ttyNELVO0"), self.daemon.active())
        shown = self.daemon.device_ip4("ttyNELVO0")
        self.assertIn("IP4.ADDRESS[1]:10.64.0.2/30", shown)
        self.assertIn("GENERAL.IP-IFACE:nelvo0", shown)
        # The address is on the namespace's veth, not on the machine.
        self.assertEqual(self.links_before, host_links())
        self.daemon.nmcli("connection", "down", "id", "Net")
        self.assertEqual([], [a for a in self.daemon.active() if a[0] == "Net"])
        self.assertIn(b"Disconnect modem 0", self.daemon.mm_log())

    def test_failures_on_cue(self):
        cases = {"busy": "The line is busy", "nocarrier": "No carrier could be established",
                 "noanswer": "The dialing request timed out", "nodialtone": "No dial tone"}
        for apn, text in cases.items():
            self.daemon.add_gsm("Cue " + apn, apn=apn, password="pw")
            done = self.daemon.run(["nmcli", "connection", "up", "id", "Cue " + apn],
                                   check=False)
            self.assertNotEqual(0, done.returncode)
            self.assertIn(text, done.stderr)
        self.daemon.add_gsm("Wrong", apn="internet", password="not-pw")
        done = self.daemon.run(["nmcli", "connection", "up", "id", "Wrong"], check=False)
        self.assertIn("Unknown error", done.stderr)


class LeavesNothingBehind(unittest.TestCase):

    def test_stop_ends_every_process_and_removes_the_folder(self):
        links = host_links()
        daemon = nm_harness.RealDaemon().start()
        folder = daemon.folder
        pids = [daemon.bus.pid, daemon.mm.pid, daemon.nm.pid]
        daemon.stop()
        self.assertFalse(folder.exists())
        self.assertEqual([], [pid for pid in pids if alive(pid)])
        self.assertEqual(links, host_links())

    def test_killed_test_process_takes_the_setup_down(self):
        # A child process that starts the setup and is then killed outright:
        # its processes die with it, and the next setup removes its folder.
        code = ("import sys, nm_harness, time\n"
                "d = nm_harness.RealDaemon().start()\n"
                "print(d.folder, d.bus.pid, d.mm.pid, d.nm.pid, flush=True)\n"
                "time.sleep(600)\n")
        child = subprocess.Popen([sys.executable, "-c", code], cwd=nm_harness.HERE,
                                 stdout=subprocess.PIPE, text=True)
        try:
            folder, *pids = child.stdout.readline().split()
        finally:
            child.kill()
            child.wait(timeout=10)
            child.stdout.close()
        nm_harness.wait_for(lambda: not any(alive(int(pid)) for pid in pids), 10, 0.05)
        self.assertEqual([], [pid for pid in pids if alive(int(pid))])
        self.assertTrue(Path(folder).exists())
        nm_harness._remove_orphans()  # pylint: disable=protected-access
        self.assertFalse(Path(folder).exists())

    def test_orphan_removal_spares_live_and_foreign_folders(self):
        live = Path(tempfile.mkdtemp(prefix=nm_harness.FOLDER_PREFIX))
        foreign = Path(tempfile.mkdtemp(prefix=nm_harness.FOLDER_PREFIX))
        try:
            (live / "owner").write_text(str(os.getpid()))
            nm_harness._remove_orphans()  # pylint: disable=protected-access
            self.assertTrue(live.exists())
            self.assertTrue(foreign.exists())
        finally:
            for folder in (live, foreign):
                subprocess.run(["rm", "-rf", str(folder)], check=False)


def main():
    reason = nm_harness.why_not_runnable()
    if reason is not None:
        print("SKIPPED: the real NetworkManager tests cannot run here: " + reason)
        sys.exit(77)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    unittest.main(verbosity=2)


if __name__ == "__main__":
    main()
