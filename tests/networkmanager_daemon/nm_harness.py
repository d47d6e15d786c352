"""The real NetworkManager daemon under test, walled off from the machine.

A private system bus (a dbus-daemon of our own, its socket in a temporary
folder), the stand-in ModemManager (modemmanager.py, a python-dbusmock
template) on it, and Debian's own /usr/sbin/NetworkManager in network and
mount namespaces of its own: fresh tmpfs over /run, its state
folder and its connection folder, a read-only sysfs of its own network
namespace (so it does not wait for udev), a private configuration (keyfile
plugin, no polkit, no DNS or hostname changes, no default wired profiles),
and one veth pair per modem as the modem's data port.

Every process is started with a parent-death signal (unshare passes one
on to NetworkManager), so a test runner that dies takes the whole setup
down; the network namespace and its veths vanish with their last
process. Nothing is written outside the temporary folder.

With a VPN user it also runs a real VPN server (vpn_server.py: OpenVPN,
or strongSwan for IKEv2) that takes that user and the password, reached
over an Ethernet base link. For IKEv2, NetworkManager's strongSwan plugin
starts charon-nm, which finds its configuration through STRONGSWAN_CONF in
NetworkManager's environment, and which outlives NetworkManager: it is
ended with every other process left in NetworkManager's network namespace.

Run as a program it starts the setup and waits (for trying things by hand):
    /usr/bin/python3 nm_harness.py [--modems N] [--vpn USER [--ikev2]]
(with --vpn: the base link is up, the password is "secret", and the CA
file a profile needs is printed as VPN_CA=..., NetworkManager's network
namespace as NM_NETNS=...)
"""

import ctypes
import importlib.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
from pathlib import Path

import vpn_server

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "e2e"))
from nelvo_driver import wait_for  # noqa: E402  pylint: disable=wrong-import-position

NM_BINARY = "/usr/sbin/NetworkManager"
NM_NAME = "org.freedesktop.NetworkManager"
MM_NAME = "org.freedesktop.ModemManager1"
POLKIT_NAME = "org.freedesktop.PolicyKit1"
STAND_IN = "stand-in"
START_TIMEOUT = 30
FOLDER_PREFIX = "nelvo-nm-"

# The bus configuration shared with the stand-in tests.
BUS_CONFIG = (HERE.parent / "tools" / "private_system_bus.conf").read_text()

NM_CONFIG = """[main]
plugins=keyfile
auth-polkit=false
dns=none
rc-manager=unmanaged
hostname-mode=none
no-auto-default=*
dhcp=internal

[keyfile]
unmanaged-devices=interface-name:nelvo*p

[connectivity]
enabled=false

[logging]
level=DEBUG
domains=CORE,DEVICE,MB,SETTINGS,IP4,AGENTS,PPP
"""

# Runs in polkitd's own mount namespace: the test's rules alone, and the
# machine's groups with the test's added (the bus knows the machine's users
# only, so the tests run as those).
POLKIT_SETUP = """set -e
mount --bind "$1/rules.d" /etc/polkit-1/rules.d
mount --bind "$1/group" /etc/group
exec /usr/lib/polkit-1/polkitd --no-debug
"""

# Runs in NetworkManager's new namespaces: mounts, veths, then the daemon.
# No PID namespace: NetworkManager reads its clients' /proc entries to
# authorise them.
NAMESPACE_SETUP = """set -e
mount -t tmpfs nelvo-run /run
mkdir -p /run/NetworkManager /run/dbus
# The OpenVPN plugin's helper finds the bus at its usual place only.
ln -s "$NELVO_BUS_SOCKET" /run/dbus/system_bus_socket
mount -t tmpfs nelvo-state /var/lib/NetworkManager
mount -t tmpfs nelvo-connections /etc/NetworkManager/system-connections
mount -t sysfs -o ro nelvo-sysfs /sys
ip link set lo up
i=0
while [ "$i" -lt "$1" ]; do
  ip link add "nelvo$i" type veth peer name "nelvo${i}p"
  ip link set "nelvo${i}p" up
  i=$((i + 1))
done
# The base link under a VPN: a veth whose other end is the VPN server's.
if [ -n "${NELVO_VPN_SERVER_PID:-}" ]; then
  ip link add nelvoeth type veth peer name nelvosrv netns "$NELVO_VPN_SERVER_PID"
fi
shift
exec "$@"
"""

_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    """In a child: be killed when the test process that started it dies."""
    ctypes.CDLL(None, use_errno=True).prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)
    os.setpgrp()


def _children(pid):
    try:
        return [int(child) for child in
                Path("/proc/%d/task/%d/children" % (pid, pid)).read_text().split()]
    except OSError:
        return []


def _in_namespace(netns):
    """PIDs of the processes whose network namespace is netns ("net:[N]")."""
    pids = []
    for proc in Path("/proc").glob("[0-9]*"):
        try:
            if os.readlink(proc / "ns" / "net") == netns:
                pids.append(int(proc.name))
        except OSError:
            pass  # ended meanwhile
    return pids


def _end_namespace(netns, timeout=10):
    """Ends every process left in a network namespace: SIGTERM, then SIGKILL
    for those still there after timeout seconds."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in _in_namespace(netns):
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        if wait_for(lambda: not _in_namespace(netns), timeout, 0.05):
            return
    raise RuntimeError("processes left in %s: %s" % (netns, _in_namespace(netns)))


def why_not_runnable():
    """None when this machine can run the real daemon here, else the reason."""
    if os.geteuid() != 0:
        return "needs root (NetworkManager and network namespaces)"
    if not os.access(NM_BINARY, os.X_OK):
        return "%s is not installed" % NM_BINARY
    for tool in ("unshare", "nsenter", "dbus-daemon", "ip", "nmcli"):
        if shutil.which(tool) is None:
            return "%s is not installed" % tool
    for module in ("dbusmock", "dbus", "gi"):
        if importlib.util.find_spec(module) is None:
            return "%s is not installed for %s" % (module, sys.executable)
    probe = subprocess.run(["unshare", "--net", "--mount", "--kill-child", "true"],
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, timeout=10, check=False)
    if probe.returncode != 0:
        return "no network or mount namespaces here: " + probe.stderr.decode().strip()
    return None


def _remove_orphans():
    """Removes the folders of setups whose test process was killed outright
    (its processes died with it; only the folder stayed behind)."""
    for folder in Path(tempfile.gettempdir()).glob(FOLDER_PREFIX + "*"):
        try:
            owner = int((folder / "owner").read_text())
            os.kill(owner, 0)
        except ProcessLookupError:
            shutil.rmtree(folder, ignore_errors=True)
        except (OSError, ValueError):
            pass  # being set up, or not ours to judge


def _wait_for(what, check, process):
    if not wait_for(check, START_TIMEOUT, 0.05, process):
        if process.poll() is not None:
            raise RuntimeError("%s: the process ended with %s" % (what, process.returncode))
        raise RuntimeError("%s: not within %s s" % (what, START_TIMEOUT))


class RealDaemon:
    """The setup; use it as a context manager or call start() and stop()."""

    def __init__(self, modems=1, password="secret", delay_ms=300, pin="", vpn_user=None,
                 vpn_kind="openvpn", polkit=None):
        self.modems = modems
        # (rules file, {group: [user, ...]}): a real polkitd with that rule and
        # those groups, and NetworkManager asking it; STAND_IN: a stand-in
        # polkitd (python-dbusmock's) that grants what ask_polkitd sets.
        self.polkit_setup = polkit
        self.polkit = None
        self.vpn_user = vpn_user  # with a user: a VPN server taking it and the password
        self.vpn_kind = vpn_kind
        self.vpn = None
        self.vpn_ca = None
        self.vpn_other_ca = None  # a CA that did not sign the server's certificate
        self.pin = pin  # every SIM locked with this PIN, if any
        self.password = password
        self.delay_ms = delay_ms
        self.folder = None
        self.bus = None
        self.mm = None
        self.nm = None
        self._connection = None

    # --- the whole setup -------------------------------------------------

    def start(self):
        _remove_orphans()
        self.folder = Path(tempfile.mkdtemp(prefix=FOLDER_PREFIX))
        (self.folder / "owner").write_text(str(os.getpid()))
        try:
            self._start_bus()
            if self.polkit_setup == STAND_IN:
                self._start_polkit_stand_in()
            elif self.polkit_setup is not None:
                self._start_polkit()
            self.start_modemmanager()
            if self.vpn_user is not None:
                self._start_vpn_server()
            self.start_nm()
        except BaseException:
            self.stop()
            raise
        return self

    def stop(self):
        """Stops everything it started and removes its folder; safe to repeat."""
        self.stop_nm()
        if self._connection is not None:
            self._connection.close()
            self._connection = None
        for name in ("vpn", "mm", "polkit", "bus"):
            self._end(getattr(self, name))
            setattr(self, name, None)
        if self.folder is not None:
            shutil.rmtree(self.folder, ignore_errors=True)
            self.folder = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False

    @property
    def address(self):
        return "unix:path=%s" % (self.folder / "system_bus_socket")

    @property
    def env(self):
        """Environment for a client of this setup's system bus."""
        env = dict(os.environ)
        env["DBUS_SYSTEM_BUS_ADDRESS"] = self.address
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env["LC_ALL"] = "C"  # nmcli's messages, which the tests read, untranslated
        return env

    def nm_log(self):
        path = self.folder / "NetworkManager.log"
        return path.read_bytes() if path.exists() else b""

    def mm_log(self):
        path = self.folder / "modemmanager.log"
        return path.read_bytes() if path.exists() else b""

    # --- pieces ----------------------------------------------------------

    def _spawn(self, command, log_name, env=None, cwd=None):
        log = open(self.folder / log_name, "ab")  # pylint: disable=consider-using-with
        try:
            return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                    stderr=subprocess.STDOUT, env=env or self.env,
                                    cwd=cwd or self.folder, preexec_fn=_die_with_parent)
        finally:
            log.close()

    @staticmethod
    def _end(process, sig=signal.SIGTERM, timeout=10):
        if process is None or process.poll() is not None:
            return
        process.send_signal(sig)
        # unshare ignores SIGTERM while it waits for its child: the signal
        # goes to the child (NetworkManager, openvpn), and unshare follows it.
        for child in _children(process.pid):
            try:
                os.kill(child, sig)
            except ProcessLookupError:
                pass
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=timeout)

    def _start_bus(self):
        config = self.folder / "bus.conf"
        config.write_text(BUS_CONFIG.format(socket=self.folder / "system_bus_socket"))
        self.bus = self._spawn(["dbus-daemon", "--nofork", "--nopidfile",
                                "--config-file=%s" % config], "bus.log")
        _wait_for("private bus", lambda: (self.folder / "system_bus_socket").exists(),
                  process=self.bus)

    def _start_polkit(self):
        rules, groups = self.polkit_setup
        # polkitd, which runs as a user of its own, and the test's users reach
        # the bus's socket in this folder.
        os.chmod(self.folder, 0o711)
        folder = self.folder / "polkit"
        (folder / "rules.d").mkdir(parents=True)
        shutil.copy(rules, folder / "rules.d")
        (folder / "group").write_text(Path("/etc/group").read_text() + "".join(
            "%s:x:%d:%s\n" % (group, 4300 + i, ",".join(members))
            for i, (group, members) in enumerate(groups.items())))
        (folder / "setup.sh").write_text(POLKIT_SETUP)
        self.polkit = self._spawn(["unshare", "--mount", "--propagation", "private",
                                   "--kill-child", "/bin/sh", str(folder / "setup.sh"),
                                   str(folder)], "polkitd.log")
        _wait_for("polkitd", lambda: self.has_name(POLKIT_NAME), process=self.polkit)

    def _start_polkit_stand_in(self):
        os.chmod(self.folder, 0o711)
        self.polkit = self._spawn([sys.executable, "-m", "dbusmock", "--system", "--template",
                                   "polkitd"], "polkitd.log")
        _wait_for("stand-in polkitd", lambda: self.has_name(POLKIT_NAME), process=self.polkit)

    def ask_polkitd(self, method, *args):
        """Calls the stand-in polkitd's control method (SetAllowed,
        SimulateHang, ReleaseHangingCalls, HaveHangingCalls)."""
        authority = self._bus_connection().get_object(POLKIT_NAME,
                                                      "/org/freedesktop/PolicyKit1/Authority")
        return getattr(authority, method)(*args, dbus_interface="org.freedesktop.DBus.Mock")

    def _start_vpn_server(self):
        folder = self.folder / "vpn-server"
        self.vpn_ca, self.vpn_other_ca = vpn_server.prepare(self.vpn_kind, folder, self.vpn_user,
                                                            self.password)
        self.vpn = self._spawn(vpn_server.command(folder), "vpn-server/server.log", cwd=folder)

    def _bus_connection(self):
        """A dbus-python connection to this setup's bus, opened once."""
        if self._connection is None:
            import dbus  # pylint: disable=import-outside-toplevel
            self._connection = dbus.bus.BusConnection(self.address)
        return self._connection

    def has_name(self, name):
        return bool(self._bus_connection().name_has_owner(name))

    def start_modemmanager(self):
        params = '{"modems": %d, "password": "%s", "delay_ms": %d, "pin": "%s"}' % (
            self.modems, self.password, self.delay_ms, self.pin)
        self.mm = self._spawn([sys.executable, "-m", "dbusmock", "--system", "--template",
                               str(HERE / "modemmanager.py"), "-p", params,
                               "-l", str(self.folder / "modemmanager.log")],
                              "modemmanager.out")
        _wait_for("stand-in ModemManager", lambda: self.has_name(MM_NAME), process=self.mm)

    def start_nm(self, wait_for_modems=True):
        """Starts NetworkManager in namespaces of its own and waits until it
        is up and, unless told otherwise, shows every modem."""
        nm_folder = self.folder / "nm"
        (nm_folder / "conf.d").mkdir(parents=True, exist_ok=True)
        polkit = "auth-polkit=%s" % ("true" if self.polkit_setup is not None else "false")
        (nm_folder / "NetworkManager.conf").write_text(
            NM_CONFIG.replace("auth-polkit=false", polkit))
        (nm_folder / "setup.sh").write_text(NAMESPACE_SETUP)
        daemon = [NM_BINARY, "--debug",
                  "--config=%s" % (nm_folder / "NetworkManager.conf"),
                  "--config-dir=%s" % (nm_folder / "conf.d"),
                  "--system-config-dir=%s" % (nm_folder / "conf.d"),
                  "--intern-config=/var/lib/NetworkManager/NetworkManager-intern.conf",
                  "--state-file=/var/lib/NetworkManager/NetworkManager.state",
                  "--pid-file=/run/NetworkManager/NetworkManager.pid"]
        env = dict(self.env, NELVO_BUS_SOCKET=str(self.folder / "system_bus_socket"))
        if self.vpn is not None:
            env["NELVO_VPN_SERVER_PID"] = str(self.vpn.pid)
        if self.vpn_kind == "ikev2":
            env["STRONGSWAN_CONF"] = str(vpn_server.charon_nm_conf(nm_folder, self.folder))
        self.nm = self._spawn(["unshare", "--net", "--mount", "--propagation", "private",
                               "--kill-child",
                               "/bin/sh", str(nm_folder / "setup.sh"), str(self.modems)]
                              + daemon, "NetworkManager.log", env=env)
        _wait_for("NetworkManager", self._nm_started, process=self.nm)
        if self.vpn is not None:
            _wait_for(vpn_server.KINDS[self.vpn_kind].name,
                      lambda: vpn_server.started(self.vpn_kind, self.folder / "vpn-server"),
                      process=self.vpn)
        if wait_for_modems:
            _wait_for("modems in NetworkManager",
                      lambda: len(self.modem_devices()) == self.modems, process=self.nm)

    def stop_nm(self, sig=signal.SIGTERM):
        """Stops NetworkManager and every process left in its network
        namespace (a VPN plugin it started, detached); the namespaces go
        with them."""
        try:
            netns = os.readlink("/proc/%d/ns/net" % self.nm_pid()) if self.nm else None
        except (IndexError, OSError):
            netns = None  # NetworkManager has ended already
        self._end(self.nm, sig)
        self.nm = None
        # Never this process's own namespace: that is the machine's.
        if netns is not None and netns != os.readlink("/proc/self/ns/net"):
            _end_namespace(netns)

    def _nm_started(self):
        if not self.has_name(NM_NAME):
            return False
        import dbus  # pylint: disable=import-outside-toplevel
        try:
            nm = self._bus_connection().get_object(NM_NAME, "/org/freedesktop/NetworkManager")
            return not nm.Get(NM_NAME, "Startup", dbus_interface=dbus.PROPERTIES_IFACE)
        except dbus.exceptions.DBusException:
            return False

    # --- asking NetworkManager -------------------------------------------

    def run(self, command, check=True, timeout=30):
        """Runs a client program on this setup's bus; returns its result."""
        done = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=timeout, check=False)
        if check and done.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (command, done.returncode, done.stderr))
        return done

    def nmcli(self, *args, check=True):
        """nmcli's terse output as lines."""
        done = self.run(["nmcli", "-t"] + list(args), check=check)
        return done.stdout.splitlines()

    def modem_devices(self):
        lines = self.nmcli("-f", "DEVICE,TYPE", "device", check=False)
        return [line.split(":")[0] for line in lines if line.endswith(":gsm")]

    def add_gsm(self, name, apn="internet", modem=0, user="joe", password=None):
        """A mobile-broadband profile bound to one modem (None: any), without
        autoconnect. With a password, it is stored in the profile; without,
        it is asked for."""
        bound = ["ifname", "ttyNELVO%d" % modem] if modem is not None else []
        args = ["connection", "add", "type", "gsm"] + bound + [
                "con-name", name, "autoconnect", "no", "gsm.apn", apn, "gsm.username", user,
                "ipv6.method", "ignore"]
        if password is not None:
            args += ["gsm.password", password, "gsm.password-flags", "0"]
        else:
            args += ["gsm.password-flags", "2"]  # not saved: asked for
        self.nmcli(*args)

    def profiles(self):
        """(name, uuid, type) of every connection profile, in NetworkManager's
        order; without those NetworkManager makes by itself for the TUN
        devices a VPN plugin leaves (strongSwan's tun0 and ipsec0), which
        come and go with the plugin."""
        lines = self.nmcli("-f", "NAME,UUID,TYPE", "connection", "show")
        return [tuple(line.split(":")) for line in lines if not line.endswith(":tun")]

    def active(self):
        """(name, state, device) of every active connection."""
        lines = self.nmcli("-f", "NAME,STATE,DEVICE", "connection", "show", "--active")
        return [tuple(line.split(":")) for line in lines]

    def active_handles(self):
        """{name: N} of every active connection, N from its object path."""
        lines = self.nmcli("-f", "NAME,ACTIVE-PATH", "connection", "show", "--active")
        return {name: int(path.rsplit("/", 1)[1])
                for name, path in (line.rsplit(":", 1) for line in lines)}

    def nm_pid(self):
        """NetworkManager's own process (the child of unshare)."""
        return _children(self.nm.pid)[0]

    def nm_root(self):
        """NetworkManager's own view of the file system (its /run is a tmpfs
        of its mount namespace)."""
        return Path("/proc/%d/root" % self.nm_pid())

    def own_processes(self):
        """PIDs of this setup's processes: those started from this process
        and those in NetworkManager's network namespace (its plugins')."""
        pids, todo = set(), [os.getpid()]
        while todo:
            pid = todo.pop()
            pids.add(pid)
            todo += _children(pid)
        return pids | set(_in_namespace(os.readlink("/proc/%d/ns/net" % self.nm_pid())))

    def in_nm_namespace(self, command, timeout=10):
        """Runs a command in NetworkManager's network namespace."""
        return subprocess.run(["nsenter", "--net=/proc/%d/ns/net" % self.nm_pid()] + command,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=timeout, check=False)

    def add_base_link(self, name="Base"):
        """The Ethernet link a VPN rides on, up, with a gateway: the primary
        connection."""
        self.nmcli("connection", "add", "type", "ethernet", "ifname", vpn_server.BASE_DEVICE,
                   "con-name", name, "ipv4.method", "manual", "ipv4.addresses",
                   vpn_server.BASE_ADDRESS, "ipv4.gateway", vpn_server.SERVER,
                   "ipv6.method", "ignore")
        self.nmcli("connection", "up", "id", name)

    def add_openvpn(self, name, server=vpn_server.SERVER, login="password", timeout=None):
        """An OpenVPN profile as a user makes one: password agent-owned,
        without autoconnect. A password-tls one has the client certificate,
        its encrypted key and the key's password stored."""
        data = ("remote=%s, connection-type=%s, username=%s, ca=%s, password-flags=1, dev=tun"
                % (server, login, self.vpn_user, self.vpn_ca))
        secrets = []
        if login == "password-tls":
            folder = self.vpn_ca.parent
            data += ", cert=%s, key=%s, cert-pass-flags=0" % (folder / "client.crt",
                                                              folder / "client.key")
            secrets = ["vpn.secrets", "cert-pass=" + vpn_server.KEY_PASSWORD]
        args = ["connection", "add", "type", "vpn", "con-name", name, "autoconnect", "no",
                "vpn-type", "openvpn", "vpn.data", data, "ipv6.method", "ignore"] + secrets
        if timeout is not None:
            args += ["vpn.timeout", str(timeout)]
        self.nmcli(*args)

    def add_ikev2(self, name, server=vpn_server.SERVER, ca=None, method="eap", timeout=None):
        """An IKEv2 profile of the strongSwan plugin as a user makes one:
        EAP with the VPN's user, the server checked against ca (by default
        the CA that signed its certificate), a virtual IP, password
        agent-owned, without autoconnect."""
        data = ("address=%s, method=%s, user=%s, certificate=%s, virtual=yes, encap=no, "
                "ipcomp=no, proposal=no, password-flags=1"
                % (server, method, self.vpn_user, ca or self.vpn_ca))
        args = ["connection", "add", "type", "vpn", "con-name", name, "autoconnect", "no",
                "vpn-type", "strongswan", "vpn.data", data, "ipv6.method", "ignore"]
        if timeout is not None:
            args += ["vpn.timeout", str(timeout)]
        self.nmcli(*args)

    def device_ip4(self, device):
        """IP4.ADDRESS lines NetworkManager shows for a device."""
        lines = self.nmcli("-f", "IP4.ADDRESS,GENERAL.STATE,GENERAL.IP-IFACE", "device",
                           "show", device, check=False)
        return lines


def _option(name, default):
    return sys.argv[sys.argv.index(name) + 1] if name in sys.argv else default


def main():
    modems = int(_option("--modems", 1))
    vpn_user = _option("--vpn", None)
    kind = "ikev2" if "--ikev2" in sys.argv else "openvpn"
    reason = why_not_runnable() or (vpn_user and vpn_server.KINDS[kind].why_not_runnable())
    if reason:
        print("cannot run: " + reason)
        return 1
    with RealDaemon(modems=modems, vpn_user=vpn_user, vpn_kind=kind) as daemon:
        if vpn_user is not None:
            daemon.add_base_link()
            print("VPN_CA=%s" % daemon.vpn_ca)
            print("NM_NETNS=/proc/%d/ns/net" % daemon.nm_pid())
        print("DBUS_SYSTEM_BUS_ADDRESS=%s" % daemon.address)
        print("folder %s; Ctrl+C ends" % daemon.folder)
        sys.stdout.flush()
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        try:
            signal.pause()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
