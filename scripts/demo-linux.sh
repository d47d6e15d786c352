#!/usr/bin/env bash
# Real links on Linux: starts Debian's own NetworkManager in network and
# mount namespaces of its own, on a private system bus, with a stand-in
# ModemManager (one modem) and a real OpenVPN server behind an Ethernet base
# link, then dials, hangs up and cancels through it with the nelvo that sits
# beside the NetworkManager library: a modem entry and a VPN entry; then, in
# a second such setup with a real strongSwan server, an IKEv2 entry. Needs
# root; touches nothing of this machine's own networking or services.
#   scripts/demo-linux.sh     (NELVO_DEMO_BUILD=folder: another build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" -ne 0 ]; then
  echo "demo-linux: needs root (it starts NetworkManager in namespaces of its own)" >&2
  exit 1
fi
scripts/install-deps.sh
build=${NELVO_DEMO_BUILD:-$root/build/host}
if [ -z "${NELVO_DEMO_BUILD:-}" ]; then cmake --preset host >/dev/null; fi
cmake --build "$build" -j2 --target nelvo_networkmanager >/dev/null
bin=$build/bin/networkmanager

work=$(mktemp -d)
harness=""
finish() {
  if [ -n "$harness" ]; then kill "$harness" 2>/dev/null || true; wait "$harness" || true; fi
  rm -rf "$work"
}
trap finish EXIT
cd "$work"

# A setup (the harness's arguments) that runs until it is sent SIGTERM, then
# takes itself down: its bus, its VPN server's CA and NetworkManager's
# network namespace.
start_setup() {
  /usr/bin/python3 "$root/tests/networkmanager_daemon/nm_harness.py" "$@" >harness.out 2>&1 &
  harness=$!
  for _ in $(seq 300); do
    grep -q '^DBUS_SYSTEM_BUS_ADDRESS=' harness.out && break
    kill -0 "$harness" 2>/dev/null || { cat harness.out; exit 1; }
    sleep 0.1
  done
  export "$(grep -m1 '^DBUS_SYSTEM_BUS_ADDRESS=' harness.out)"
  ca=$(sed -n 's/^VPN_CA=//p' harness.out)
  nm_netns=$(sed -n 's/^NM_NETNS=//p' harness.out)
}
start_setup --modems 1 --vpn alice

# Two mobile-broadband profiles on the modem; the stand-in connects APN
# "internet" and never answers APN "hang". The password is the caller's.
for profile in Office:internet Lab:hang; do
  nmcli connection add type gsm ifname ttyNELVO0 con-name "${profile%%:*}" autoconnect no \
    gsm.apn "${profile#*:}" gsm.username alice gsm.password-flags 2 ipv6.method ignore >/dev/null
done

# An OpenVPN profile as a user makes one, its password asked for (agent-owned).
nmcli connection add type vpn con-name Tunnel autoconnect no vpn-type openvpn ipv6.method ignore \
  vpn.data "remote=10.77.0.1, connection-type=password, username=alice, ca=$ca, password-flags=1, dev=tun" \
  >/dev/null

source "$root/scripts/demo-helpers.sh"

heading "NetworkManager's profiles (the base link Base is no entry) and devices"
nmcli -f NAME,TYPE connection show
nmcli device

heading "Dial Office (report lines and IPC status as they come)"
run_nelvo office.log status.ipc /ENTRY:office /LOG:office.log /IPC:status.ipc /USER:alice \
  /PASS:secret /PHONE:*99#
show_file office.log
echo "--- NetworkManager's view"
nmcli -f NAME,STATE,DEVICE connection show --active
nmcli -f GENERAL.STATE,GENERAL.IP-IFACE,IP4.ADDRESS device show ttyNELVO0

heading "Hang up Office"
run_nelvo hangup.log hangup.ipc /ENTRY:Office /LOG:hangup.log /IPC:hangup.ipc /HANGUP
show_file hangup.log
printf -- '--- hangup.ipc: [%s]\n' "$(cat hangup.ipc)"

heading "Dial Lab, which never connects, cancelled by creating the cancel file after 3 s"
(sleep 3; echo "  (cancel.now created)"; : >cancel.now) & canceller=$!
run_nelvo lab.log lab.ipc /ENTRY:Lab /LOG:lab.log /IPC:lab.ipc /CANCEL:cancel.now /USER:alice \
  /PASS:secret /PHONE:*99#
wait "$canceller"
show_file lab.log

# Dials a VPN entry (its name, the first heading's words, then ping's
# arguments for a ping through the tunnel), then hangs it up.
dial_vpn() {
  local entry=$1 log=${1,,}
  heading "Dial $entry, $2"
  run_nelvo "$log.log" "$log.ipc" "/ENTRY:$entry" "/LOG:$log.log" "/IPC:$log.ipc" /USER:alice \
    /PASS:secret /PHONE:10.77.0.1
  show_file "$log.log"
  echo "--- NetworkManager's view, and a ping through the tunnel"
  nmcli -f NAME,TYPE,STATE,DEVICE connection show --active
  # ping's first lines only, taken from its whole output: a reader that
  # stops early would end ping with SIGPIPE, and the demo with it.
  ping_out=$(nsenter --net="$nm_netns" ping -c 1 -W 5 "${@:3}")
  printf '%s\n' "$ping_out" | sed -n 1,2p

  heading "Hang up $entry: the VPN ends, its base link stays up"
  run_nelvo "${log}hangup.log" "${log}hangup.ipc" "/ENTRY:$entry" "/LOG:${log}hangup.log" \
    "/IPC:${log}hangup.ipc" /HANGUP
  show_file "${log}hangup.log"
  nmcli -f NAME,TYPE,STATE,DEVICE connection show --active
}
dial_vpn Tunnel "a VPN entry: the number is the VPN server, user and password its login" \
  -I tun0 10.8.0.1

heading "Active connections and profiles afterwards (no copy left behind)"
nmcli -f NAME,STATE,DEVICE connection show --active
nmcli -f NAME,TYPE connection show

# A second setup with an IKEv2 server (strongSwan), and an IKEv2 entry
# whose password is the dial's.
kill "$harness"; wait "$harness" || true
start_setup --modems 0 --vpn alice --ikev2
nmcli connection add type vpn con-name Office-VPN autoconnect no vpn-type strongswan \
  ipv6.method ignore vpn.data "address=10.77.0.1, method=eap, user=alice, certificate=$ca, \
virtual=yes, encap=no, ipcomp=no, proposal=no, password-flags=1" >/dev/null
dial_vpn Office-VPN "an IKEv2 entry; the ping goes to the network behind the server" \
  -I ipsec0 10.9.0.1
