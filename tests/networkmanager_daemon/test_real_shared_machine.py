"""What a dial leaves for the other users of a machine, against the real
NetworkManager: the password nowhere NetworkManager writes or hands out,
other links left alone, hang-ups that stay hung up, handles of other
links refused, and a dial lock that no other user can subvert."""

from pathlib import Path
import subprocess
import time

import daemon_case as c
import nm_harness
import ras_library
from daemon_case import CONNECTED_LINES
from nelvo_driver import head, hung_up, not_connected


class Password(c.DaemonCase):

    modems = 1
    profiles = {"Office": ("internet", 0)}


    def test_password_nowhere_on_disk_and_not_handed_back(self):
        self.dial("Office")
        self.assert_link_up("Office", 0)
        assert_password_nowhere(self)


def assert_password_nowhere(case):
    """The dial's password is in no file of NetworkManager's, and neither
    the stored profiles nor the dial's copy hand it back."""
    case.assert_password_in_no_file()
    copy = [uuid for _name, uuid, _type in case.daemon.profiles()
            if (_name, uuid, _type) not in case.stored]
    case.assertEqual(1, len(copy))
    for _name, uuid, _type in case.stored + [(None, copy[0], None)]:
        shown = case.daemon.nmcli("-s", "-g", "gsm.password", "connection", "show", uuid,
                                  check=False)
        case.assertIn(shown, ([""], []), uuid)


class StoredPassword(c.DaemonCase):

    modems = 1
    profiles = {}

    @classmethod
    def add_profiles(cls):
        cls.daemon.add_gsm("Stored", user="joe", password=c.PASSWORD)
        cls.stored = cls.daemon.profiles()

    def test_dial_without_a_password_uses_the_stored_one(self):
        lib = ras_library.Library(Path(c.d.PROGRAM).parent / "librasapi32.so")
        self.assertEqual(0, self.with_bus(lambda: lib.dial("Stored", ""))[0])
        self.assert_link_up("Stored", 0)


class Autoconnect(c.DaemonCase):
    """A profile NetworkManager brings up by itself."""

    modems = 1
    profiles = {}

    @classmethod
    def add_profiles(cls):
        cls.daemon.nmcli("connection", "add", "type", "gsm", "ifname", "ttyNELVO0", "con-name",
                         "Auto", "gsm.apn", "internet", "gsm.username", "joe", "gsm.password",
                         c.PASSWORD, "gsm.password-flags", "0", "ipv6.method", "ignore")
        cls.stored = cls.daemon.profiles()

    def test_dial_keeps_the_link_and_hang_up_sticks(self):
        self.assertTrue(c.wait_for(lambda: ("Auto", "activated", "ttyNELVO0")
                                   in self.daemon.active(), 20))
        handle = self.daemon.active_handles()["Auto"]
        result = self.dial("auto")
        self.assertEqual(head() + b"Connecting to Auto\r\nConnection Successful\r\nConnected\r\n",
                         result.stdout)
        self.assertEqual({"Auto": handle, "lo": 1}, self.daemon.active_handles())
        result = self.hang_up("AUTO")
        self.assertEqual(head() + hung_up(handle), result.stdout)
        assert_stays_down(self)


def assert_stays_down(case):
    """No dial-up link comes back, and the modem itself may still
    autoconnect: only the entry's profile was blocked."""
    time.sleep(5)  # NetworkManager retries an autoconnect profile within a second or two
    case.assertEqual([], case.dialup_active())
    case.assertEqual(["yes"], case.daemon.nmcli("-g", "GENERAL.AUTOCONNECT", "device", "show",
                                                "ttyNELVO0"))


# An administrator's keyfile, comments and all: a dial and a hang-up leave
# it byte for byte as it was.
ROAM_KEYFILE = b"""# Roaming SIM: ask for the password, never store it.
[connection]
id=Roam
uuid=8d4c5f8e-2f0e-4a8b-9c31-5b1e2f7a9d10
type=gsm
interface-name=ttyNELVO0

[gsm]
apn=internet
username=joe

[ipv4]
method=auto

[ipv6]
method=ignore
"""
WAITING = "ttyNELVO0:gsm:connecting (need authentication):Roam"


class WaitingForSecrets(c.DaemonCase):
    """An autoconnect profile with a user name and no password, from a
    keyfile: its own activation waits for secrets that no agent gives."""

    modems = 1
    profiles = {}

    @classmethod
    def add_profiles(cls):
        cls.keyfile = cls.daemon.nm_root() / "etc/NetworkManager/system-connections/roam.nmconnection"
        cls.keyfile.write_bytes(ROAM_KEYFILE)
        cls.keyfile.chmod(0o600)
        cls.daemon.nmcli("connection", "load", "/etc/NetworkManager/system-connections/roam.nmconnection")
        cls.stored = cls.daemon.profiles()

    def test_dial_with_a_password_finishes_it_and_stores_nothing(self):
        self.assertTrue(c.wait_for(lambda: WAITING in self.daemon.nmcli("device"), 20))
        started = time.monotonic()
        result = self.dial("roam")
        self.assertEqual(head() + b"Connecting to Roam\r\n" + CONNECTED_LINES, result.stdout)
        self.assertLess(time.monotonic() - started, 20)
        self.assert_link_up("Roam", 0)
        assert_password_nowhere(self)
        # The link ran on the dial's copy; after the hang-up the profile goes
        # back to waiting for its password, as the dial found it.
        handle = self.daemon.active_handles()["Roam"]
        self.assertEqual(head() + hung_up(handle), self.hang_up("Roam").stdout)
        self.assertTrue(c.wait_for(lambda: WAITING in self.daemon.nmcli("device"), 20))
        self.assertEqual(ROAM_KEYFILE, self.keyfile.read_bytes())
        self.assertIn("Roam:/etc/NetworkManager/system-connections/roam.nmconnection",
                      self.daemon.nmcli("-f", "NAME,FILENAME", "connection", "show"))


class NetworkControlOnly(c.DaemonCase):
    """A user whom polkit grants no more than it names."""

    polkit = nm_harness.STAND_IN
    profiles = {"Office": ("internet", 1)}

    @classmethod
    def add_profiles(cls):
        super().add_profiles()
        cls.daemon.nmcli("connection", "add", "type", "gsm", "ifname", "ttyNELVO0", "con-name",
                         "Auto", "gsm.apn", "internet", "gsm.username", "joe", "gsm.password",
                         c.PASSWORD, "gsm.password-flags", "0", "ipv6.method", "ignore")
        cls.stored = cls.daemon.profiles()

    def test_hang_up_with_network_control_alone_sticks_and_writes_no_profile(self):
        self.daemon.ask_polkitd("SetAllowed", ["org.freedesktop.NetworkManager.network-control"])
        self.daemon.nmcli("connection", "up", "id", "Auto")
        keyfile = self.daemon.nm_root() / "etc/NetworkManager/system-connections/Auto.nmconnection"
        before = keyfile.read_bytes()
        handle = self.daemon.active_handles()["Auto"]
        self.assertEqual(head() + hung_up(handle),
                         self.run_nelvo_as_user(["/ENTRY:AUTO", "/IPC:s.ipc", "/HANGUP"]))
        assert_stays_down(self)
        self.assertEqual(before, keyfile.read_bytes())

    def test_dial_asks_for_nothing_while_polkit_does_not_answer(self):
        self.daemon.ask_polkitd("SetAllowed", ["org.freedesktop.NetworkManager.network-control",
                                               "org.freedesktop.NetworkManager.settings.modify.system"])
        self.daemon.ask_polkitd("SimulateHang", True)
        try:
            result = self.run_nelvo_as_user(["/ENTRY:Office", "/IPC:s.ipc"] + c.DIAL_ARGS)
        finally:
            self.daemon.ask_polkitd("SimulateHang", False)
            self.daemon.ask_polkitd("ReleaseHangingCalls")
        self.assertEqual(head() + b"Connecting to Office\r\n" + not_connected(638), result)
        # Once polkit has answered, NetworkManager has nothing of the dial's
        # to carry out: a call made after the release is answered after it.
        self.assertFalse(self.daemon.ask_polkitd("HaveHangingCalls"))
        self.assertEqual(self.stored, self.daemon.profiles())
        self.assertNotIn("Office", self.dialup_active())


class BusyModem(c.DaemonCase):
    """Two modems; a profile either can carry, and one tied to modem 0."""

    profiles = {"Office": ("internet", 0), "Home": ("internet", 1)}

    @classmethod
    def add_profiles(cls):
        super().add_profiles()
        cls.daemon.nmcli("connection", "add", "type", "gsm", "con-name", "Either", "autoconnect",
                         "no", "gsm.apn", "internet", "gsm.username", "joe",
                         "gsm.password-flags", "2", "ipv6.method", "ignore")
        cls.stored = cls.daemon.profiles()

    def test_dial_takes_the_free_modem_and_fails_where_none_is_free(self):
        self.dial("Office")
        before = self.daemon.active_handles()
        result = self.dial("Either")
        self.assertEqual(head() + b"Connecting to Either\r\n" + CONNECTED_LINES, result.stdout)
        self.assertIn(("Either", "activated", "ttyNELVO1"), self.daemon.active())
        before["Either"] = self.daemon.active_handles()["Either"]
        # Modem 1 busy too: Home has no free modem and ends no link.
        result = self.dial("Home")
        self.assertEqual(head() + b"Connecting to Home\r\n" + not_connected(633), result.stdout)
        self.assertEqual(before, self.daemon.active_handles())


class ForeignHandles(c.DaemonCase):

    modems = 1
    profiles = {}

    @classmethod
    def add_profiles(cls):
        cls.daemon.add_gsm("Office", password=c.PASSWORD)
        cls.stored = cls.daemon.profiles()

    def test_handles_of_other_links_and_of_a_restarted_networkmanager(self):
        lib = ras_library.Library(Path(c.d.PROGRAM).parent / "librasapi32.so")
        with_bus = self.with_bus
        # The loopback link is NetworkManager's, and no dial-up connection.
        loopback = self.daemon.active_handles()["lo"]
        self.assertEqual(6, with_bus(lambda: lib.status(loopback))[0])
        self.assertEqual(6, with_bus(lambda: lib.hang_up(loopback)))
        code, handle = with_bus(lambda: lib.dial("Office", c.PASSWORD))
        self.assertEqual(0, code)
        self.daemon.stop_nm()
        self.daemon.start_nm()  # with profiles in memory: none left
        self.daemon.add_gsm("Office", password=c.PASSWORD)
        self.daemon.nmcli("connection", "up", "id", "Office")
        # After the restart the same number names another link: the old
        # handle is unknown, and that link stays up.
        self.assertEqual(handle, self.daemon.active_handles()["Office"])
        self.assertEqual(6, with_bus(lambda: lib.status(handle))[0])
        self.assertEqual(6, with_bus(lambda: lib.hang_up(handle)))
        self.assertIn(("Office", "activated", "ttyNELVO0"), self.daemon.active())


class LockedSim(c.DaemonCase):
    """A SIM that wants its PIN, which the profile keeps."""

    modems = 1
    pin = "4711"
    profiles = {}

    @classmethod
    def add_profiles(cls):
        cls.daemon.add_gsm("Office")
        cls.daemon.nmcli("connection", "modify", "id", "Office", "gsm.pin", cls.pin)
        cls.stored = cls.daemon.profiles()

    def test_stored_pin_reaches_the_dial(self):
        result = self.dial("Office")
        self.assertEqual(head() + b"Connecting to Office\r\n" + CONNECTED_LINES, result.stdout)
        self.assert_link_up("Office", 0)
        self.assertIn(b"SendPin modem 0", self.daemon.mm_log())


# What another local user (uid 65534) can place at the dial lock's path
# where the package has not made it; in the folder, a lock file of root's.
PLANTS = ["mkfifo /run/lock/nelvo", "mkdir /run/lock/root; ln -s root /run/lock/nelvo",
          "install -m 0600 /dev/null /run/lock/nelvo",
          "mkdir /run/lock/nelvo; install /dev/null /run/lock/nelvo/dial.lock"]
# A mount namespace of its own whose /run/lock is a fresh tmpfs, made ready
# by the shell lines in $1: the machine's /run/lock stays as it is.
OWN_RUN_LOCK = ["unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                'mount -t tmpfs -o mode=1777 nelvo-lock /run/lock && eval "$1" && shift && '
                'exec "$@"', "sh"]


class PlantedLock(c.DaemonCase):

    modems = 1
    profiles = {"Office": ("internet", 0)}

    def dial_with_own_run_lock(self, setup):
        """Dials Office, which must connect, with a /run/lock of its own made
        ready by the shell lines setup; returns its standard error."""
        done = subprocess.run(OWN_RUN_LOCK + [setup, c.d.PROGRAM, "/ENTRY:Office", "/IPC:s.ipc"]
                              + c.DIAL_ARGS, cwd=self.folder, env=self.daemon.env,
                              stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=c.d.TIMEOUT, check=True)
        self.assertEqual(head() + b"Connecting to Office\r\n" + CONNECTED_LINES, done.stdout)
        self.daemon.nmcli("connection", "down", "id", "Office")
        self.assert_links_down_and_no_copies()
        return done.stderr

    def test_a_plant_neither_stops_a_dial_nor_turns_the_lock_off_unsaid(self):
        for plant in PLANTS:
            with self.subTest(plant):
                said = self.dial_with_own_run_lock(plant + "; chown -h 65534 /run/lock/nelvo")
                self.assertEqual(1, len(said.splitlines()), said)
                self.assertIn(b"/run/lock/nelvo", said)
        # Nothing planted: a dial with umask 077 makes the lock and says nothing.
        self.assertEqual(b"", self.dial_with_own_run_lock("umask 077"))


if __name__ == "__main__":
    c.main()
