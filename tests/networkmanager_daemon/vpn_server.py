"""Real VPN servers for the real-daemon tests, each in a network namespace
of its own, with a veth whose other end NetworkManager's namespace takes
as its Ethernet base link, and certificates made with openssl at start.
Two kinds (KINDS):

- OPENVPN: openvpn, a login checked by --auth-user-pass-verify against
  the SHA-256 of the one password (so the password itself is in no file);
- IKEV2: strongSwan's charon loaded with swanctl: IKEv2, an EAP-MSCHAPv2
  user, a server certificate for its address (and a second CA that did not
  sign it), a virtual-IP pool, and a network behind the server. ESP runs
  in user space (kernel-libipsec) on both ends: the kernel here has XFRM
  but no ESP.

    server 10.77.0.1 on the veth; OpenVPN's tunnel 10.8.0.0/24 (server
    10.8.0.1); IKEv2's pool 10.10.0.0/24 and, behind it, 10.9.0.1
"""

import collections
import hashlib
import subprocess
from pathlib import Path

SERVER = "10.77.0.1"
BASE_ADDRESS = "10.77.0.2/24"
TUNNEL_SERVER = "10.8.0.1"
BASE_DEVICE = "nelvoeth"  # in NetworkManager's namespace
PEER_DEVICE = "nelvosrv"  # in the server's
OPENVPN = "/usr/sbin/openvpn"
PLUGINS = "/usr/lib/NetworkManager/VPN/"  # NetworkManager's VPN plugins' files

# Runs in the server's namespaces: waits for NetworkManager's namespace to
# hand over the veth's end, gives it the server's address, then runs the
# kind's lines (which start the server).
NAMESPACE_SETUP = """set -e
mount -t tmpfs nelvo-vpn-run /run
awaited() {{  # waits at most 30 s for the command to succeed
  i=0
  until "$@" >/dev/null 2>&1; do
    i=$((i + 1)); [ "$i" -lt 600 ] || exit 1; sleep 0.05
  done
}}
ip link set lo up
awaited ip link show {peer}
ip addr add {server}/24 dev {peer}
ip link set {peer} up
"""


def _write_setup(folder, lines):
    (folder / "setup.sh").write_text(NAMESPACE_SETUP.format(peer=PEER_DEVICE, server=SERVER)
                                     + lines)

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


def _missing(*paths):
    """Why the server cannot run here: the first of paths not installed, or
    no TUN device (both kinds' tunnels are TUN devices); else None."""
    for path in paths + ("/usr/bin/openssl",):
        if not Path(path).exists():
            return "%s is not installed" % path
    if not Path("/dev/net/tun").exists():
        return "the kernel has no TUN device"
    return None


def _openssl(folder, *args):
    subprocess.run(["openssl"] + list(args), cwd=folder, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)


def _make_ca(folder, name):
    """A CA of its own: name.key and name.crt in folder."""
    _openssl(folder, "req", "-x509", *EC, "-keyout", name + ".key", "-out", name + ".crt",
             "-days", "2", "-subj", "/CN=nelvo test CA " + name)
    return folder / (name + ".crt")


def _make_server_cert(folder, ca, key, cert, extensions=None):
    """The server's key and certificate, signed by the CA named ca."""
    _openssl(folder, "req", *EC, "-keyout", key, "-out", "server.csr", "-subj", "/CN=nelvo vpn")
    extra = []
    if extensions is not None:
        (folder / "server.ext").write_text(extensions)
        extra = ["-extfile", "server.ext"]
    _openssl(folder, "x509", "-req", "-in", "server.csr", "-CA", ca + ".crt", "-CAkey",
             ca + ".key", "-CAcreateserial", "-out", cert, "-days", "2", *extra)


def _prepare_openvpn(folder, user, password):
    """Writes the server's certificates, configuration and login check to
    folder; returns (its CA, None)."""
    ca = _make_ca(folder, "ca")
    _make_server_cert(folder, "ca", "server.key", "server.crt")
    # A client certificate whose key is encrypted with KEY_PASSWORD.
    _openssl(folder, "req", *EC[:-1], "-passout", "pass:" + KEY_PASSWORD, "-keyout",
             "client.key", "-out", "client.csr", "-subj", "/CN=" + user)
    _openssl(folder, "x509", "-req", "-in", "client.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
             "-CAcreateserial", "-out", "client.crt", "-days", "2")
    (folder / "server.conf").write_text(CONFIG.format(server=SERVER))
    _write_setup(folder, "exec %s --config server.conf\n" % OPENVPN)
    (folder / "check-login").write_text(CHECK_LOGIN)
    (folder / "check-login").chmod(0o755)
    digest = hashlib.sha256(password.encode()).hexdigest()
    (folder / "logins").write_text("%s %s\n" % (user, digest))
    return ca, None


# --- strongSwan -----------------------------------------------------------

CHARON = "/usr/lib/ipsec/charon"
CHARON_NM = "/usr/lib/ipsec/charon-nm"
POOL = "10.10.0.0/24"
BEHIND_SERVER = "10.9.0.1"  # an address of the network behind the server

# The address behind the server, then charon, whose configuration swanctl
# loads once its socket is there.
IKEV2_LINES = """ip addr add {behind}/32 dev lo
(
  awaited test -S charon.vici
  swanctl --load-all --file "$PWD/swanctl.conf" --uri "unix://$PWD/charon.vici"
) &
export STRONGSWAN_CONF="$PWD/strongswan.conf"
exec {charon}
"""

# A strongswan.conf for one daemon's section: its plugins, nothing to
# syslog, its log to a file. ESP runs in user space on both ends
# (kernel-libipsec, before kernel-netlink); no bypass-lan, which would route
# the server's own address into the tunnel.
STRONGSWAN_CONF = """{daemon} {{
  load = {plugins}
  syslog {{ daemon {{ default = -1 }} }}
  filelog {{
    log {{
      path = {log}
      default = 1
      flush_line = yes
    }}
  }}
{more}}}
"""
SERVER_PLUGINS = ("random nonce openssl pem pkcs1 pkcs8 x509 revocation constraints pubkey hmac "
                  "kdf kernel-libipsec kernel-netlink socket-default vici attr eap-identity "
                  "eap-mschapv2")
# charon-nm reads only its own section. Its built-in plugin list has no
# kernel-libipsec, so the list is given whole.
CLIENT_PLUGINS = ("aesni aes rc2 sha2 sha1 md5 mgf1 random nonce x509 revocation constraints "
                  "pkcs1 pkcs7 sshkey pem openssl pkcs8 fips-prf gmp agent xcbc hmac kdf gcm "
                  "drbg kernel-libipsec kernel-netlink socket-default eap-identity eap-md5 "
                  "eap-gtc eap-mschapv2 eap-tls eap-ttls")

SWANCTL_CONF = """connections {{
  nelvo {{
    version = 2
    send_cert = always
    pools = nelvo
    local {{
      auth = pubkey
      certs = server.crt
      id = {server}
    }}
    remote {{
      auth = eap-mschapv2
      eap_id = %any
    }}
    children {{ nelvo {{ local_ts = {network} }} }}
  }}
}}
pools {{ nelvo {{ addrs = {pool} }} }}
secrets {{
  eap-nelvo {{
    id = {user}
    secret = "{password}"
  }}
}}
"""

# A server certificate as Windows takes one: the address as an IP SAN, and
# the EKUs serverAuth and IKE intermediate.
SERVER_EXTENSIONS = """subjectAltName = IP:{server}
extendedKeyUsage = serverAuth, 1.3.6.1.5.5.8.2.2
"""


def _prepare_ikev2(folder, user, password):
    """Writes the server's certificates and configuration to folder;
    returns (the CA that signed the server's certificate, another CA)."""
    for part in ("x509", "private"):
        (folder / part).mkdir()
    ca = _make_ca(folder, "ca")
    other = _make_ca(folder, "other-ca")
    _make_server_cert(folder, "ca", "private/server.key", "x509/server.crt",
                      SERVER_EXTENSIONS.format(server=SERVER))
    vici = "  plugins { vici { socket = unix://%s/charon.vici } }\n" % folder
    (folder / "strongswan.conf").write_text(STRONGSWAN_CONF.format(
        daemon="charon", plugins=SERVER_PLUGINS, log=folder / "charon.log", more=vici))
    (folder / "swanctl.conf").write_text(SWANCTL_CONF.format(
        server=SERVER, network=BEHIND_SERVER + "/24", pool=POOL, user=user, password=password))
    _write_setup(folder, IKEV2_LINES.format(behind=BEHIND_SERVER, charon=CHARON))
    return ca, other


def charon_nm_conf(folder, log_folder):
    """Writes charon-nm's configuration to folder, its log going to
    log_folder; returns the file."""
    path = folder / "strongswan.conf"
    path.write_text(STRONGSWAN_CONF.format(daemon="charon-nm", plugins=CLIENT_PLUGINS,
                                           log=log_folder / "charon-nm.log", more=""))
    return path


# A kind of server: its name, why it cannot run here (None when it can), what
# writes its files, and the line its output shows once it is ready.
Kind = collections.namedtuple("Kind", "name why_not_runnable prepare ready")
KINDS = {
    "openvpn": Kind("OpenVPN server",
                    lambda: _missing(OPENVPN, PLUGINS + "nm-openvpn-service.name"),
                    _prepare_openvpn, b"Initialization Sequence Completed"),
    "ikev2": Kind("strongSwan server",
                  lambda: _missing(CHARON, CHARON_NM, "/usr/sbin/swanctl",
                                   PLUGINS + "nm-strongswan-service.name",
                                   *("/usr/lib/ipsec/plugins/libstrongswan-%s.so" % plugin
                                     for plugin in ("eap-mschapv2", "kernel-libipsec", "openssl"))),
                  _prepare_ikev2, b"successfully loaded 1 connections"),
}


def prepare(kind, folder, user, password):
    """Writes the server's files to a new folder; returns (the CA that
    signed its certificate, another CA or None)."""
    folder.mkdir()
    return KINDS[kind].prepare(folder, user, password)


def command(folder):
    """The server's namespaces (a /run of their own too) and the server, to
    be started in folder, its output to folder's server.log."""
    return ["unshare", "--net", "--mount", "--propagation", "private", "--kill-child",
            "/bin/sh", str(folder / "setup.sh")]


def started(kind, folder):
    log = folder / "server.log"
    return log.exists() and KINDS[kind].ready in log.read_bytes()


def why_not_runnable():
    """The OpenVPN cases' reason (the scripts' default)."""
    return KINDS["openvpn"].why_not_runnable()
