"""Makes the Debian package with cpack, checks what it holds and declares,
then installs it with dpkg inside a private mount namespace whose /usr and
dpkg database are overlays (so this machine's own stay as they were) and
dials through the installed /usr/bin/nelvo against the real NetworkManager
(tests/networkmanager_daemon/installed_dial.py). Exits 77 where that cannot run.
With --lintian it checks the package with lintian instead, which runs
anywhere: any error or warning fails."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
DAEMON_TESTS = HERE.parent / "networkmanager_daemon"
sys.path.insert(0, str(DAEMON_TESTS))

import nm_harness  # noqa: E402  pylint: disable=wrong-import-position

SHIPPED = [
    "./usr/bin/nelvo -> ../lib/nelvo/nelvo",
    "./usr/lib/nelvo/librasapi32.so",
    "./usr/lib/nelvo/nelvo",
    "./usr/share/doc/nelvo/README.md",
    "./usr/share/doc/nelvo/changelog.gz",
    "./usr/share/doc/nelvo/copyright",
    "./usr/share/man/man1/nelvo.1.gz",
]
# Mounted over in the namespace: what dpkg -i writes to.
OVERLAID = ["/usr", "/var/lib/dpkg"]

# Runs in the private mount namespace: overlays, install, dial.
INSTALL_AND_DIAL = """set -e
n=0
for target in {overlaid}; do
  mkdir -p "$1/upper$n" "$1/work$n"
  mount -t overlay nelvo-overlay -o "lowerdir=$target,upperdir=$1/upper$n,workdir=$1/work$n" "$target"
  n=$((n + 1))
done
dpkg --log=/dev/null -i "$2" >/dev/null
dpkg-query -W -f='installed ${{Package}} ${{Version}}\\n' nelvo
exec {python} {script} --program /usr/bin/nelvo
"""


def make_package(cpack, build, out):
    subprocess.run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"),
                    "-B", str(out)], check=True, stdout=subprocess.DEVNULL)
    debs = sorted(out.glob("*.deb"))
    if len(debs) != 1:
        sys.exit(f"expected one .deb, found {debs}")
    return debs[0]


def check_contents(deb):
    listing = subprocess.run(["dpkg-deb", "-c", str(deb)], check=True, text=True,
                             stdout=subprocess.PIPE).stdout
    files = sorted(" ".join(line.split()[5:]) for line in listing.splitlines()
                   if not line.startswith("d"))
    if files != SHIPPED:
        sys.exit(f"package holds {files}, expected {SHIPPED}")
    fields = {}
    for field in ("Package", "Depends", "Recommends", "Suggests"):
        fields[field] = subprocess.run(["dpkg-deb", "-f", str(deb), field], check=True,
                                       text=True, stdout=subprocess.PIPE).stdout.strip()
    depends = [part.split()[0] for part in fields["Depends"].split(",")]
    if fields["Package"] != "nelvo" or "libsystemd0" not in depends:
        sys.exit(f"control fields {fields}: expected package nelvo depending on libsystemd0")
    if fields["Recommends"] != "network-manager":
        sys.exit(f"Recommends is {fields['Recommends']!r}, expected network-manager")
    suggests = "network-manager-openvpn, network-manager-strongswan"
    if fields["Suggests"] != suggests:
        sys.exit(f"Suggests is {fields['Suggests']!r}, expected {suggests}")


def lintian(deb):
    """Lintian's findings of error or warning level, printed; 1 when any."""
    result = subprocess.run(["lintian", "--fail-on", "error,warning", str(deb)], text=True,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False)
    findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
    print("\n".join(findings) or f"lintian: no error and no warning on {deb.name}")
    return 1 if findings or result.returncode != 0 else 0


def machine_state():
    """What the install must leave alone: the machine's nelvo and dpkg's view."""
    known = subprocess.run(["dpkg-query", "-W", "nelvo"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False).returncode == 0
    return (os.path.lexists("/usr/bin/nelvo"), os.path.exists("/usr/lib/nelvo"), known)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--lintian", action="store_true")
    args = parser.parse_args()
    if args.lintian:
        with tempfile.TemporaryDirectory(prefix="nelvo-deb-") as work:
            deb = make_package(args.cpack, args.build, Path(work))
            check_contents(deb)
            return lintian(deb)
    reason = nm_harness.why_not_runnable()
    if reason is None and not shutil.which("dpkg"):
        reason = "dpkg is not installed"
    if reason is not None:
        print("SKIPPED: the Debian package cannot be installed and dialled here: " + reason)
        return 77
    before = machine_state()
    if before[0] or before[2]:
        print("SKIPPED: nelvo is installed on this machine; the test installs only beside none")
        return 77
    work = Path(tempfile.mkdtemp(prefix="nelvo-deb-"))
    try:
        deb = make_package(args.cpack, args.build, work / "out")
        check_contents(deb)
        script = INSTALL_AND_DIAL.format(overlaid=" ".join(OVERLAID), python=sys.executable,
                                         script=DAEMON_TESTS / "installed_dial.py")
        (work / "install.sh").write_text(script)
        (work / "layers").mkdir()
        done = subprocess.run(["unshare", "--mount", "--propagation", "private", "/bin/sh",
                               str(work / "install.sh"), str(work / "layers"), str(deb)],
                              stdin=subprocess.DEVNULL, timeout=240, check=False,
                              env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    after = machine_state()
    if after != before:
        print(f"the machine changed: (/usr/bin/nelvo, /usr/lib/nelvo, dpkg knows nelvo) "
              f"was {before}, is {after}")
        return 1
    return done.returncode


if __name__ == "__main__":
    sys.exit(main())
