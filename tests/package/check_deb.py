"""Makes the Debian package with cpack, checks what it holds and declares,
then installs it with dpkg inside a private mount namespace whose /usr and
dpkg database are overlays (so this machine's own stay as they were) and
dials through the installed /usr/bin/nelvo against the real NetworkManager
(tests/networkmanager_daemon/installed_dial.py). Exits 77 where that cannot run.
With --lintian it checks the package with lintian instead, which runs
anywhere: any error or warning fails."""
import argparse
import gzip
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
import shipped_links  # noqa: E402  pylint: disable=wrong-import-position

# The Debian packages of the libraries the shipped binaries may need.
LIBRARY_PACKAGES = {"libc.so.6": "libc6", "libm.so.6": "libc6", "ld-linux-x86-64.so.2": "libc6",
                    "libsystemd.so.0": "libsystemd0",
                    "libstdc++.so.6": "libstdc++6", "libgcc_s.so.1": "libgcc-s1"}

SHIPPED = [
    "./usr/bin/nelvo -> ../lib/nelvo/nelvo",
    "./usr/lib/nelvo/librasapi32.so",
    "./usr/lib/nelvo/nelvo",
    "./usr/lib/tmpfiles.d/nelvo.conf",
    "./usr/share/doc/nelvo/changelog.gz",
    "./usr/share/doc/nelvo/copyright",
    "./usr/share/doc/nelvo/examples/50-nelvo.rules",
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
# The postinst makes the dial lock in a /run/lock of this namespace's own.
mount -t tmpfs -o mode=1777 nelvo-lock /run/lock
dpkg --log=/dev/null -i "$2" >/dev/null
made=$(stat -c '%a %U %F' /run/lock/nelvo /run/lock/nelvo/dial.lock | tr '\\n' ' ')
[ "$made" = "755 root directory 644 root regular empty file " ] || {{ echo "lock: $made"; exit 1; }}
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
    with tempfile.TemporaryDirectory(prefix="nelvo-deb-files-") as root:
        subprocess.run(["dpkg-deb", "-x", str(deb), root], check=True)
        needed = {LIBRARY_PACKAGES[library] for binary in ("nelvo", "librasapi32.so")
                  for library in needed_libraries(Path(root, "usr/lib/nelvo", binary))}
        if set(depends) != needed:
            sys.exit(f"Depends names {sorted(depends)}; the binaries need {sorted(needed)}")
        dead = shipped_links.dead_links(shipped_texts(Path(root)),
                                        {file[1:].split(" -> ")[0] for file in files},
                                        ("/usr/lib/nelvo", "/usr/share/doc/nelvo", "/usr/bin"))
        if dead:
            sys.exit("\n".join(dead))


def needed_libraries(binary):
    dynamic = subprocess.run(["objdump", "-p", str(binary)], check=True, text=True,
                             stdout=subprocess.PIPE).stdout
    return [line.split()[1] for line in dynamic.splitlines() if line.split()[:1] == ["NEEDED"]]


def shipped_texts(root):
    """The package's text files as a reader sees them: the manual page as
    man shows it (unhyphenated, on long lines), the rest as they are."""
    page = subprocess.run(["groff", "-man", "-Tascii", "-P-cbou", "-rLL=250n", "-rHY=0"],
                          input=gzip.decompress((root / "usr/share/man/man1/nelvo.1.gz")
                                                .read_bytes()),
                          check=True, stdout=subprocess.PIPE).stdout.decode()
    texts = {"nelvo.1": page}
    for path in (root / "usr/share/doc/nelvo").rglob("*"):
        if path.is_file():
            data = path.read_bytes()
            texts[path.name] = (gzip.decompress(data) if path.suffix == ".gz" else data).decode()
    return texts


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
