"""How nelvo's cost grows with the number of saved profiles, against the
real daemon (run as root; tests/networkmanager_daemon/nm_harness.py sets it
up in namespaces of its own), side by side with nmcli listing them:

    nelvo /ENTRY:Office /HANGUP          (no link up)
    nelvo /ENTRY:Office ... dial         until its "Connecting to" line
    nmcli -t -f NAME,TYPE connection show

with the two mobile-broadband profiles and 0, 400 and 1,000 Wi-Fi ones.
    /usr/bin/python3 bench/networkmanager_profiles_bench.py --bin BUILD/bin/networkmanager [--runs N]
"""
import argparse
import statistics
import subprocess
import sys
import time
import uuid
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "networkmanager_daemon"))

import nm_harness  # noqa: E402  pylint: disable=wrong-import-position

PASSWORD = "secret"
SETTINGS_PATH = "/org/freedesktop/NetworkManager/Settings"
SETTINGS_IFACE = "org.freedesktop.NetworkManager.Settings"


def add_wifi(daemon, count, first):
    """count saved Wi-Fi profiles, through D-Bus (nmcli would take minutes)."""
    import dbus  # pylint: disable=import-outside-toplevel
    settings = daemon._bus_connection().get_object(  # pylint: disable=protected-access
        nm_harness.NM_NAME, SETTINGS_PATH)
    for index in range(first, first + count):
        settings.AddConnection({
            "connection": {"id": "Wifi%04d" % index, "uuid": str(uuid.uuid4()),
                           "type": "802-11-wireless", "autoconnect": False},
            "802-11-wireless": {"ssid": dbus.ByteArray(b"net%04d" % index)},
        }, dbus_interface=SETTINGS_IFACE)


def median_ms(command, env, runs, until=None):
    """Median wall-clock ms of runs of command, to its end or to the first
    output line that starts with until."""
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        run = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        if until is None:
            run.communicate()
        else:
            for line in iter(run.stdout.readline, b""):
                if line.startswith(until):
                    break
        times.append((time.perf_counter() - started) * 1000)
        run.stdout.close()
        run.wait()
    return statistics.median(times)


def measure(folder, daemon, runs):
    env = daemon.env
    nelvo = str(folder / "nelvo")
    hang_up = median_ms([nelvo, "/ENTRY:Office", "/HANGUP"], env, runs)
    dial = median_ms([nelvo, "/ENTRY:Office", "/USER:joe", "/PASS:" + PASSWORD, "/PHONE:*99#"],
                     env, runs, until=b"Connecting to")
    daemon.nmcli("connection", "down", "id", "Office", check=False)
    nmcli = median_ms(["nmcli", "-t", "-f", "NAME,TYPE", "connection", "show"], env, runs)
    return hang_up, dial, nmcli


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder of nelvo and librasapi32.so")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    reason = nm_harness.why_not_runnable()
    if reason:
        sys.exit("networkmanager_profiles_bench: cannot run: " + reason)
    folder = Path(args.bin).resolve()
    print("| Wi-Fi profiles | `nelvo /HANGUP` ms | dial to \"Connecting to\" ms "
          "| `nmcli ... connection show` ms | /HANGUP ÷ nmcli |")
    print("|---|---|---|---|---|")
    with nm_harness.RealDaemon(modems=1, password=PASSWORD) as daemon:
        daemon.add_gsm("Office", apn="internet")
        daemon.add_gsm("Lab", apn="internet")
        added = 0
        for total in (0, 400, 1000):
            add_wifi(daemon, total - added, added)
            added = total
            hang_up, dial, nmcli = measure(folder, daemon, args.runs)
            print("| %d | %.0f | %.0f | %.0f | %.2f |" % (total, hang_up, dial, nmcli,
                                                          hang_up / nmcli))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
