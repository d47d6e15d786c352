"""VPN entries through the real NetworkManager, against real servers: its
OpenVPN plugin with an openvpn server, and its strongSwan plugin (IKEv2,
EAP-MSCHAPv2) with a charon server. For each: a tunnel that carries
traffic, a refused password, a server that does not answer, a cancel, a
hang-up that leaves the base link up, the password kept out of every file
and answer, and an entry already up; for IKEv2 also a server certificate
that does not verify."""

import subprocess
import sys
import time
import unittest
from pathlib import Path

import daemon_case as c
import nelvo_driver as d
import ras_library
import vpn_server
from daemon_case import CONNECTED_LINES
from nelvo_driver import CONNECTION_FAILED, head, hung_up, ipc_record, not_connected

USER = "vpnjoe"
# A server that takes no packets: an address on the base link nobody has.
SILENT_SERVER = "10.77.0.99"
# need-auth (1 2), connect (3 4 5): where a refused or unanswered login ends.
CONNECT_LINES = d.progress_lines([0, 1, 2, 3, 4, 5])
# A dial that follows a VPN at need-auth: from there to connected.
FOLLOWED_LINES = d.progress_lines([0, 1, 2, 3, 4, 5, 14, 8192]) + b"Connected\r\n"


class Vpn(c.DaemonCase):
    """OpenVPN; the IKEv2 class below runs the same cases on its own setup."""

    modems = 1
    profiles = {"Office": ("internet", 0)}
    vpn_user = USER
    more_entries = ["Keyed"]
    # What a refused password ends with; how a ping crosses the tunnel only.
    refused_code = 691
    ping = ["-I", None, vpn_server.TUNNEL_SERVER]  # None: the VPN's own device

    @classmethod
    def add_vpn_profiles(cls):
        cls.daemon.add_openvpn("Tunnel")
        cls.daemon.add_openvpn("Silent", timeout=3)
        cls.daemon.add_openvpn("Certificates only", login="tls")
        cls.daemon.add_openvpn("Keyed", login="password-tls")

    @classmethod
    def add_profiles(cls):
        super().add_profiles()
        cls.daemon.add_base_link()
        cls.add_vpn_profiles()
        cls.stored = cls.daemon.profiles()

    def tearDown(self):
        for name in self.vpn_active():
            self.daemon.nmcli("connection", "down", "id", name, check=False)
        super().tearDown()

    def vpn_active(self):
        lines = self.daemon.nmcli("-f", "NAME,TYPE", "connection", "show", "--active")
        return [line.split(":")[0] for line in lines if line.endswith(":vpn")]

    def vpn_dial(self, entry, password=c.PASSWORD, server=vpn_server.SERVER, extra=()):
        """A dial as the VPN's user; its number is the server."""
        return self.run_nelvo(["/ENTRY:" + entry, "/IPC:s.ipc", "/USER:" + USER,
                               "/PASS:" + password, "/PHONE:" + server] + list(extra))

    def assert_failed(self, result, entry, lines, code):
        self.assertEqual(head() + b"Connecting to %s\r\n" % entry.encode() + lines
                         + not_connected(code), result.stdout)
        self.assertEqual(ipc_record(CONNECTION_FAILED), result.file("s.ipc"))
        self.assert_vpn_down_base_up()

    def assert_vpn_down_base_up(self):
        self.assertTrue(c.wait_for(lambda: not self.vpn_active(), 15, 0.05), self.vpn_active())
        self.assertIn(("Base", "activated", vpn_server.BASE_DEVICE), self.daemon.active())
        self.assertTrue(c.wait_for(lambda: self.daemon.profiles() == self.stored, 15, 0.05))

    def ping_through_tunnel(self):
        """ping's status for an address of the server's, sent on the tunnel
        (without -I the base link's gateway, the server too, would answer):
        OpenVPN's the device NetworkManager names for the VPN, since the last
        case's tunnel may still hold tun0."""
        active = self.vpn_active()
        device = self.daemon.nmcli("-g", "GENERAL.IP-IFACE", "connection", "show", active[0],
                                   check=False) if active else []
        ping = [arg if arg is not None else (device or ["tun0"])[0] for arg in self.ping]
        return self.daemon.in_nm_namespace(["ping", "-c", "1", "-W", "2"] + ping).returncode

    def test_entries_are_the_password_logins(self):
        lib = ras_library.Library(Path(d.PROGRAM).parent / "librasapi32.so")
        # In NetworkManager's order; Ethernet and a certificate-only login are none.
        self.assertEqual((0, ["Office", "Tunnel", "Silent"] + self.more_entries),
                         self.with_bus(lib.enum_entries))
        # Its user is the login's; its password is the agent's, not stored.
        self.assertEqual((0, USER, "", 0), self.with_bus(lambda: lib.dial_params("Tunnel")))

    def test_dial_carries_traffic_and_hang_up_leaves_the_base_link(self):
        self.assertNotEqual(0, self.ping_through_tunnel())
        result = self.vpn_dial("tunnel")
        self.assertEqual(head() + b"Connecting to Tunnel\r\n" + CONNECTED_LINES, result.stdout)
        self.assertEqual(ipc_record(b"Connection Successful"), result.file("s.ipc"))
        self.assertEqual(["Tunnel"], self.vpn_active())
        self.assertEqual(0, self.ping_through_tunnel())
        # Nothing of the password in NetworkManager's files, the processes'
        # command lines and environments, or what GetSecrets hands out.
        self.assert_password_in_no_file()
        secret = c.PASSWORD.encode()
        # This setup's processes only: another test on the machine may hold
        # the same password.
        for proc in (Path("/proc/%d" % pid) for pid in self.daemon.own_processes()):
            try:
                seen = [(proc / part).read_bytes() for part in ("cmdline", "environ")]
            except OSError:
                continue  # ended meanwhile
            # The stand-in ModemManagers are the network: they are told it.
            if b"dbusmock" not in seen[0]:
                self.assertNotIn(secret, b"".join(seen), str(proc))
        shown = self.daemon.run(["nmcli", "-s", "connection", "show", "Tunnel"], check=False)
        self.assertNotIn(c.PASSWORD, shown.stdout)
        # Hung up: the VPN's own link ends, the base link stays, and stays so.
        handle = self.daemon.active_handles()["Tunnel"]
        result = self.run_nelvo(["/ENTRY:TUNNEL", "/IPC:s.ipc", "/HANGUP"])
        self.assertEqual(head() + hung_up(handle), result.stdout)
        self.assert_vpn_down_base_up()
        time.sleep(1)  # long enough for an autoconnect to show
        self.assertEqual([], self.vpn_active())

    def test_key_password_of_the_stored_profile_reaches_the_dial_and_no_new_place(self):
        result = self.vpn_dial("Keyed")
        self.assertEqual(head() + b"Connecting to Keyed\r\n" + CONNECTED_LINES, result.stdout)
        self.assertEqual(0, self.ping_through_tunnel())
        # The stored profile keeps it; nothing else does.
        self.assert_password_in_no_file(vpn_server.KEY_PASSWORD, profiles_too=False)
        copy = [uuid for name, uuid, _type in self.daemon.profiles()
                if (name, uuid, _type) not in self.stored]
        shown = self.daemon.run(["nmcli", "-s", "connection", "show", copy[0]], check=False)
        self.assertNotIn(vpn_server.KEY_PASSWORD, shown.stdout)

    def test_entry_already_up_is_followed(self):
        self.vpn_dial("Tunnel")
        handle = self.daemon.active_handles()["Tunnel"]
        result = self.vpn_dial("Tunnel")
        self.assertEqual(head() + b"Connecting to Tunnel\r\nConnection Successful\r\nConnected\r\n",
                         result.stdout)
        self.assertEqual(ipc_record(b"Connection Successful"), result.file("s.ipc"))
        self.assertEqual(handle, self.daemon.active_handles()["Tunnel"])

    def test_vpn_waiting_for_another_clients_agent_is_followed(self):
        other = subprocess.Popen([sys.executable, str(Path(__file__).parent / "other_clients.py"),
                                  self.daemon.address, "Tunnel", "3"],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            other.stdin.write(c.PASSWORD + "\n")
            other.stdin.close()
            handle = int(other.stdout.readline().rsplit("/", 1)[1])
            result = self.vpn_dial("Tunnel")
            self.assertEqual(head() + b"Connecting to Tunnel\r\n" + FOLLOWED_LINES, result.stdout)
            # The other client's activation is the one up, not a dial's copy.
            self.assertEqual(["Tunnel"], self.vpn_active())
            self.assertEqual(handle, self.daemon.active_handles()["Tunnel"])
        finally:
            other.kill()
            other.stdout.close()
            other.wait()

    def test_refused_password_ends_at_once(self):
        started = time.monotonic()
        result = self.vpn_dial("Tunnel", password="wrong")
        self.assert_failed(result, "Tunnel", CONNECT_LINES, self.refused_code)
        self.assertLess(time.monotonic() - started, 10)

    def test_unanswered_server_ends_with_the_profile_timeout(self):
        # The number given is the server: the stored one would answer.
        started = time.monotonic()
        result = self.vpn_dial("Silent", server=SILENT_SERVER)
        self.assert_failed(result, "Silent", CONNECT_LINES, 809)
        self.assertLess(time.monotonic() - started, 3 + 10)

    def test_cancel_ends_the_attempt_only(self):
        canceller = d.later(1.5, lambda: (self.folder / "stop.qcx").write_bytes(b""))
        result = self.vpn_dial("Silent", server=SILENT_SERVER, extra=["/CANCEL:stop.qcx"])
        canceller.join()
        self.assert_failed(result, "Silent", CONNECT_LINES, 668)

    def test_no_base_link_fails_at_once(self):
        self.daemon.nmcli("connection", "down", "id", "Base")
        try:
            result = self.vpn_dial("Tunnel")
            self.assertEqual(head() + b"Connecting to Tunnel\r\n" + not_connected(800),
                             result.stdout)
            self.assertEqual([], self.vpn_active())
        finally:
            self.daemon.nmcli("connection", "up", "id", "Base")


class Ikev2(Vpn):
    """IKEv2 with a user name and password (EAP-MSCHAPv2), the server's
    certificate checked against a CA: the Windows default VPN."""

    vpn_kind = "ikev2"
    # charon-nm tells NetworkManager a refused password as it tells a server
    # certificate that does not verify: both are this code.
    refused_code = 13801
    # 1400 bytes: the tunnel's MTU, ESP in user space on both ends.
    ping = ["-I", "ipsec0", "-s", "1372", vpn_server.BEHIND_SERVER]
    more_entries = ["OtherCA"]
    # OpenVPN's alone: a client key's password.
    test_key_password_of_the_stored_profile_reaches_the_dial_and_no_new_place = None

    @classmethod
    def setUpClass(cls):
        reason = vpn_server.KINDS["ikev2"].why_not_runnable()
        if reason:
            raise unittest.SkipTest(reason)
        super().setUpClass()

    @classmethod
    def add_vpn_profiles(cls):
        cls.daemon.add_ikev2("Tunnel")
        cls.daemon.add_ikev2("Silent", timeout=3)
        cls.daemon.add_ikev2("OtherCA", ca=cls.daemon.vpn_other_ca)
        cls.daemon.add_ikev2("Certificates only", method="cert")

    def test_certificate_from_another_ca_is_refused_at_once(self):
        started = time.monotonic()
        result = self.vpn_dial("OtherCA")
        self.assert_failed(result, "OtherCA", CONNECT_LINES, 13801)
        self.assertLess(time.monotonic() - started, 10)


if __name__ == "__main__":
    c.main(vpn_server.why_not_runnable)
