#!/usr/bin/env bash
# Brings a Debian 12 machine everything the two builds and their tests need.
# Safe to run again: it installs only what is missing.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(cmake ninja-build g++ libgtest-dev googletest python3 util-linux
          g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
          wine wine32 wine64 clang libclang-rt-14-dev libbenchmark-dev zip
          libsystemd-dev network-manager dbus dbus-daemon iproute2
          python3-dbusmock python3-dbus python3-gi)
packages+=(strace)  # the demo shows each write of the IPC status as it happens
packages+=(lintian wixl msitools)  # the Debian package's check; the MSI and its check
packages+=(groff-base)  # the manual page rendered as text for the Windows packages
packages+=(openvpn network-manager-openvpn openssl iputils-ping)  # VPN entries over a real tunnel
# IKEv2 entries: NetworkManager's strongSwan plugin and its charon-nm, with
# the plugins --no-install-recommends would leave out (eap-mschapv2 in
# extauth, openssl in standard), and a charon server run by the tests.
packages+=(strongswan-nm network-manager-strongswan libcharon-extra-plugins
           libcharon-extauth-plugins libstrongswan-standard-plugins
           strongswan-swanctl strongswan-charon)
# Services these packages bring, which must not start on this machine: the
# tests run their own NetworkManager and bus in namespaces of their own.
services=(NetworkManager ModemManager wpa_supplicant dbus-daemon polkitd systemd-udevd openvpn
          charon charon-systemd charon-nm starter)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  missing+=(wine32)
fi
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

running() {  # PIDs of the services above, one a line (from /proc: no procps needed)
  local comm name
  for comm in /proc/[0-9]*/comm; do
    read -r name 2>/dev/null <"$comm" || continue
    for service in "${services[@]}"; do
      if [ "$name" = "${service:0:15}" ]; then echo "${comm//[^0-9]/}"; fi
    done
  done | sort
}

# A policy-rc.d that refuses every start keeps the packages' services down
# while they are installed; it goes again afterwards, even on failure, and
# one that was there before is put back.
policy=/usr/sbin/policy-rc.d
saved=""
restore_policy() {
  if [ -n "$saved" ]; then $SUDO mv -f "$saved" "$policy"; else $SUDO rm -f "$policy"; fi
}
if [ -e "$policy" ]; then
  saved="$policy.nelvo-saved"
  $SUDO mv -f "$policy" "$saved"
fi
trap restore_policy EXIT
printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
$SUDO chmod 755 "$policy"

before=$(running)
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
started=$(comm -13 <(echo "$before") <(running) | grep . || true)
if [ -n "$started" ]; then
  echo "install-deps: installing started services on this machine (PIDs: $started)" >&2
  exit 1
fi
