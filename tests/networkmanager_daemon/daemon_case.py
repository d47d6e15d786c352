"""What the real-daemon tests share: one setup (nm_harness.RealDaemon) per
test class with a phone book of mobile-broadband profiles, nelvo runs
against it, and the expected report lines.

The scripts take --program (the nelvo beside the NetworkManager library)
and exit 77, which CTest counts as skipped, with the reason on standard
output, where the real daemon cannot run here.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import shutil
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "e2e"))

import nelvo_driver as d  # noqa: E402  pylint: disable=wrong-import-position
import nm_harness  # noqa: E402  pylint: disable=wrong-import-position
from nelvo_driver import (head, hung_up, ipc_record, progress_lines,  # noqa: E402  pylint: disable=C0413
                          wait_for)

SKIPPED = 77
PASSWORD = "Pw-7f3c-secret"
DIAL_ARGS = ["/USER:joe", "/PASS:" + PASSWORD, "/PHONE:*99#"]

# The device states of a mobile-broadband activation and the connection
# states they are reported as, moving forward only: 0 on acceptance, 1 2
# at prepare, 3 4 at config, 5 at ip-config, 14 at ip-check, 8192 when the
# active connection is activated.
CONNECTED_LINES = progress_lines([0, 1, 2, 3, 4, 5, 14, 8192]) + b"Connected\r\n"
# A modem that fails its connect does so while the device is at prepare.
FAILED_LINES = progress_lines([0, 1, 2])

# The modem's failures: entry name: (APN, the code the dial ends with).
FAILURES = {
    "Busy": ("busy", 676),
    "NoAnswer": ("noanswer", 678),
    "NoCarrier": ("nocarrier", 679),
    "NoDialTone": ("nodialtone", 680),
}
# name: (APN, modem). The APN tells the stand-in ModemManager what to do.
PROFILES = {"Office": ("internet", 0), "Home": ("internet", 1), "Never": ("hang", 0),
            **{name: (apn, 0) for name, (apn, _code) in FAILURES.items()}}


class DaemonCase(unittest.TestCase):
    """A test class with one real NetworkManager of its own and the
    profiles above; each test gets a fresh working folder, and every link
    it left up is taken down after it."""

    profiles = PROFILES
    modems = 2
    pin = ""  # every SIM locked with this PIN, if any
    vpn_user = None  # with a user: a VPN server taking it and the password
    vpn_kind = "openvpn"  # which server (vpn_server.KINDS)
    password = PASSWORD  # the one the stand-in modem (and the VPN server) takes
    polkit = None  # see nm_harness.RealDaemon

    @classmethod
    def setUpClass(cls):
        cls.daemon = nm_harness.RealDaemon(modems=cls.modems, password=cls.password, pin=cls.pin,
                                           vpn_user=cls.vpn_user, vpn_kind=cls.vpn_kind,
                                           polkit=cls.polkit)
        cls.daemon.start()
        try:
            cls.add_profiles()
        except BaseException:
            cls.daemon.stop()
            raise

    @classmethod
    def add_profiles(cls):
        for name, (apn, modem) in cls.profiles.items():
            cls.daemon.add_gsm(name, apn=apn, modem=modem)
        cls.stored = cls.daemon.profiles()

    @classmethod
    def tearDownClass(cls):
        cls.daemon.stop()

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="nelvo-nmcase-"))

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        if self._failed():
            # The setup's folder goes with the class: show what the daemon saw.
            tail = b"\n".join(self.daemon.nm_log().splitlines()[-60:])
            sys.stderr.write("--- NetworkManager's log, last lines:\n%s\n" % tail.decode(
                "utf-8", "replace"))
        if self.daemon.nm is not None:
            for name in self.dialup_active():
                self.daemon.nmcli("connection", "down", "id", name, check=False)

    def _failed(self):
        result = getattr(self._outcome, "result", None)
        problems = (result.failures + result.errors) if result is not None else []
        return any(test is self for test, _ in problems)

    # --- nelvo ----------------------------------------------------------

    def run_nelvo(self, args, **kwargs):
        kwargs.setdefault("cwd", self.folder)
        env = {"DBUS_SYSTEM_BUS_ADDRESS": self.daemon.address}
        env.update(kwargs.pop("env", {}))
        result = d.run_nelvo(args, env=env, **kwargs)
        self.assertEqual(0, result.exit_code)
        return result

    def run_nelvo_as_user(self, args, uid=65534):
        """A nelvo run as another user than root, standard output to a pipe;
        returns its output."""
        self.folder.chmod(0o777)
        done = subprocess.run(as_user(uid) + [d.PROGRAM] + args, cwd=self.folder,
                              env=self.daemon.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, timeout=d.TIMEOUT, check=False)
        self.assertEqual(0, done.returncode)
        return done.stdout

    def start_nelvo(self, args, cwd=None):
        """A nelvo run in the background, standard output to a pipe."""
        env = dict(self.daemon.env)
        return subprocess.Popen([d.PROGRAM] + args, cwd=cwd or self.folder, env=env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                start_new_session=True)

    def dial(self, entry, extra=()):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc"] + DIAL_ARGS + list(extra))

    def dial_together(self, entries):
        """Dials the entries from processes started at one moment, each in a
        folder of its own; returns their outputs and IPC records."""
        folders = [self.folder / str(i) for i in range(len(entries))]
        runs = []
        for folder, entry in zip(folders, entries):
            folder.mkdir()
            runs.append(self.start_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc"] + DIAL_ARGS,
                                         cwd=folder))
        outputs = [run.communicate(timeout=d.TIMEOUT)[0] for run in runs]
        return outputs, [(folder / "s.ipc").read_bytes() for folder in folders]

    def hang_up(self, entry):
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc", "/HANGUP"])

    def assert_hang_up_ends_link(self, entry, name):
        """A hang-up run for the entry reports the handle of the link named
        so, and afterwards no link is up and no dial's copy is left."""
        handle = self.daemon.active_handles()[name]
        result = self.hang_up(entry)
        self.assertEqual(head() + hung_up(handle), result.stdout)
        self.assertEqual(ipc_record(b"Go"), result.file("s.ipc"))
        self.assert_links_down_and_no_copies()

    # --- NetworkManager's side -------------------------------------------

    def dialup_active(self):
        """Names of the active mobile-broadband connections."""
        return [name for name, _state, device in self.daemon.active()
                if device.startswith("ttyNELVO")]

    def assert_link_up(self, name, modem):
        self.assertIn((name, "activated", "ttyNELVO%d" % modem), self.daemon.active())
        shown = self.daemon.device_ip4("ttyNELVO%d" % modem)
        self.assertIn("IP4.ADDRESS[1]:10.64.%d.2/30" % modem, shown)
        self.assertIn("GENERAL.IP-IFACE:nelvo%d" % modem, shown)

    def assert_links_down_and_no_copies(self):
        """No mobile-broadband link is up, or coming up, and the phone book
        holds the stored profiles only: every dial's copy is gone."""
        self.assertTrue(wait_for(lambda: not self.dialup_active(), 15, 0.05),
                        "still active: %s" % self.dialup_active())
        self.assertTrue(wait_for(lambda: self.daemon.profiles() == self.stored, 15, 0.05),
                        "profiles: %s" % self.daemon.profiles())

    def assert_password_in_no_file(self, secret=PASSWORD, profiles_too=True):
        """The secret is in no file of NetworkManager's namespace where it
        keeps state (its profiles' folder unless told), nor in this case's
        folder."""
        root = self.daemon.nm_root()
        secret = secret.encode()
        for folder in (root / "run", root / "var/lib/NetworkManager", self.folder) + (
                (root / "etc/NetworkManager",) if profiles_too else ()):
            for path in folder.rglob("*"):
                if path.is_file() and not path.is_socket():
                    self.assertNotIn(secret, path.read_bytes(), str(path))

    def with_bus(self, call):
        """Runs a library call with this setup's bus as the system bus
        (sd-bus reads the address each time the library opens the bus)."""
        os.environ["DBUS_SYSTEM_BUS_ADDRESS"] = self.daemon.address
        try:
            return call()
        finally:
            del os.environ["DBUS_SYSTEM_BUS_ADDRESS"]


def as_user(uid):
    """The command prefix that runs a program as another user than root."""
    return ["setpriv", "--reuid=%d" % uid, "--regid=%d" % uid, "--clear-groups"]


def main(why_not_runnable=lambda: None):
    """Runs the calling script's cases: --program PATH; exits 77 when skipped,
    also for the calling script's own reason."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    args, rest = parser.parse_known_args()
    reason = nm_harness.why_not_runnable() or why_not_runnable()
    if reason is None and not os.access(args.program, os.X_OK):
        reason = "%s is not built" % args.program
    if reason is not None:
        print("SKIPPED: the real NetworkManager tests cannot run here: " + reason)
        sys.exit(SKIPPED)
    d.configure(args.program)
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
