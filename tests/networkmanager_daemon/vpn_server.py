"""A real OpenVPN server for the real-daemon tests, in a network namespace
of its own: a CA and server certificate made with openssl at start, a
login checked by --auth-user-pass-verify against the SHA-256 of the one
password (so the password itself is in no file), and a veth whose other
end NetworkManager's namespace takes as its Ethernet base link.

    server 10.77.0.1 on the veth, tunnel network 10.8.0.0/24 (server 10.8.0.1)
"""

import hashlib
import subprocess
from pathlib import Path

SERVER = "10.77.0.1"
BASE_ADDRESS = "10.77.0.2/24"
TUNNEL_SERVER = "10.8.0.1"
BASE_DEVICE = "nelvoeth"  # in NetworkManager's namespace
PEER_DEVICE = "nelvosrv"  # in the server's
OPENVPN = "/usr/sbin/openvpn"
PLUGIN = "/usr/lib/NetworkManager/VPN/nm-openvpn-service.name"
SERVICE_TYPE = "org.freedesktop.NetworkManager.openvpn"

# Runs in the server's namespace: waits for NetworkManager's namespace to
# hand over the veth's end, then runs openvpn.
NAMESPACE_SETUP = """set -e
ip link set lo up
i=0
until ip link show {peer} >/dev/null 2>&1; do
  i=$((i + 1)); [ "$i" -lt 600 ] || exit 1; sleep 0.05
done
ip addr add {server}/24 dev {peer}
ip link set {peer} up
exec {openvpn} --config server.conf
"""

CONFIG = """dev tun
proto udp
port 1194
local {server}
topology subnet
server 10.8.0.0 255.255.255.0
ca ca.crt
cert server.crt
key server.key
dh none
verify-client-cert optional
username-as-common-name
script-security 2
auth-user-pass-verify ./check-login via-file
tmp-dir .
verb 3
"""

# Line 1 the user, line 2 the password; accepted when they hash as logins says.
CHECK_LOGIN = """#!/bin/sh
user=$(sed -n 1p "$1")
hash=$(sed -n 2p "$1" | tr -d '\\n' | sha256sum | cut -d' ' -f1)
grep -qx "$user $hash" "$(dirname "$0")/logins"
"""

EC = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
KEY_PASSWORD = "Key-4b1e-pass"  # the client key's


def why_not_runnable():
    """None when OpenVPN and NetworkManager's plugin are installed, else why not."""
    for path in (OPENVPN, PLUGIN, "/usr/bin/openssl"):
        if not Path(path).exists():
            return "%s is not installed" % path
    if not Path("/dev/net/tun").exists():
        return "the kernel has no TUN device"
    return None


def prepare(folder, user, password):
    """Writes the server's certificates, configuration and login check to folder."""
    folder.mkdir()

    def openssl(*args):
        subprocess.run(["openssl"] + list(args), cwd=folder, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)

    openssl("req", "-x509", *EC, "-keyout", "ca.key", "-out", "ca.crt", "-days", "2",
            "-subj", "/CN=nelvo test CA")
    openssl("req", *EC, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=nelvo vpn")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.crt", "-days", "2")
    # A client certificate whose key is encrypted with KEY_PASSWORD.
    openssl("req", *EC[:-1], "-passout", "pass:" + KEY_PASSWORD, "-keyout", "client.key",
            "-out", "client.csr", "-subj", "/CN=" + user)
    openssl("x509", "-req", "-in", "client.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "client.crt", "-days", "2")
    (folder / "server.conf").write_text(CONFIG.format(server=SERVER))
    (folder / "setup.sh").write_text(NAMESPACE_SETUP.format(peer=PEER_DEVICE, server=SERVER,
                                                            openvpn=OPENVPN))
    (folder / "check-login").write_text(CHECK_LOGIN)
    (folder / "check-login").chmod(0o755)
    digest = hashlib.sha256(password.encode()).hexdigest()
    (folder / "logins").write_text("%s %s\n" % (user, digest))
    return folder / "ca.crt"


def command(folder):
    """The server's namespace and openvpn, to be started in folder."""
    return ["unshare", "--net", "--kill-child", "/bin/sh", str(folder / "setup.sh")]


def started(log_path):
    return log_path.exists() and b"Initialization Sequence Completed" in log_path.read_bytes()
