"""scripts/install-deps.sh keeps the services of what it installs from
starting: a policy-rc.d refusing every start while apt-get runs, gone
afterwards (also when apt-get fails), one that was there before put back,
and a run that fails when a service started all the same.

Each run happens in a private mount namespace whose /usr/sbin is an
overlay, with apt-get, dpkg and dpkg-query replaced by stand-ins on the
PATH: nothing is installed and the machine's /usr/sbin stays as it was.
Root only; exits 77 elsewhere."""

import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
POLICY = "/usr/sbin/policy-rc.d"

# Stand-ins: every package reads as missing; apt-get notes what policy-rc.d
# answers for a start and can fail, or start a "NetworkManager" of its own.
FAKES = {
    "dpkg-query": "echo unknown",
    "dpkg": 'if [ "$1" = --print-foreign-architectures ]; then echo i386; fi',
    "apt-get": textwrap.dedent("""\
        if [ "$1" != install ]; then exit 0; fi
        if [ -x {policy} ]; then {policy} network-manager start; echo "policy $?" >>"$FAKE_LOG"
        else echo "policy none" >>"$FAKE_LOG"; fi
        if [ -n "${{FAKE_START:-}}" ]; then
          "$FAKE_BIN/NetworkManager" 30 </dev/null >/dev/null 2>&1 & echo $! >"$FAKE_START"
        fi
        exit "${{FAKE_RC:-0}}"
        """).format(policy=POLICY),
}

IN_NAMESPACE = """set -e
mount -t overlay nelvo-overlay -o "lowerdir=/usr/sbin,upperdir=$1/upper,workdir=$1/work" /usr/sbin
# Each case starts from its own policy-rc.d or none, whatever the machine has.
rm -f /usr/sbin/policy-rc.d
if [ -n "${OLD_POLICY:-}" ]; then printf '%s\\n' "$OLD_POLICY" >/usr/sbin/policy-rc.d; fi
set +e
"$2"
echo "rc $?" >>"$FAKE_LOG"
if [ -e /usr/sbin/policy-rc.d ]; then echo "after $(cat /usr/sbin/policy-rc.d)" >>"$FAKE_LOG"
else echo "after none" >>"$FAKE_LOG"; fi
"""


class InstallDeps(unittest.TestCase):

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="nelvo-deps-"))
        self.bin = self.folder / "bin"
        self.bin.mkdir()
        for name, body in FAKES.items():
            (self.bin / name).write_text("#!/bin/sh\n" + body + "\n")
            (self.bin / name).chmod(0o755)
        # A process whose name is that of a service, as a broken package's would be.
        shutil.copy("/bin/sleep", self.bin / "NetworkManager")
        for part in ("upper", "work"):
            (self.folder / part).mkdir()
        (self.folder / "ns.sh").write_text(IN_NAMESPACE)
        self.log = self.folder / "log"

    def tearDown(self):
        started = self.folder / "started"
        if started.exists():
            try:
                os.kill(int(started.read_text()), 9)
            except (ProcessLookupError, ValueError):
                pass
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_script(self, **env):
        full = dict(os.environ, FAKE_LOG=str(self.log), FAKE_BIN=str(self.bin),
                    PATH="%s:%s" % (self.bin, os.environ["PATH"]), **env)
        before = os.path.lexists(POLICY)
        subprocess.run(["unshare", "--mount", "--propagation", "private", "/bin/sh",
                        str(self.folder / "ns.sh"), str(self.folder),
                        str(ROOT / "scripts" / "install-deps.sh")],
                       env=full, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.PIPE, timeout=60, check=True)
        self.assertEqual(before, os.path.lexists(POLICY), "the machine's policy-rc.d changed")
        return self.log.read_text().splitlines()

    def test_starts_refused_while_installing_and_policy_gone_afterwards(self):
        self.assertEqual(["policy 101", "rc 0", "after none"], self.run_script())

    def test_policy_gone_also_when_apt_get_fails(self):
        self.assertEqual(["policy 101", "rc 3", "after none"], self.run_script(FAKE_RC="3"))

    def test_policy_that_was_there_is_put_back(self):
        old = "#!/bin/sh\nexit 0"
        lines = self.run_script(OLD_POLICY=old)
        self.assertEqual(["policy 101", "rc 0", "after " + old], lines[:2] + ["\n".join(lines[2:])])

    def test_run_fails_when_a_service_started_all_same(self):
        lines = self.run_script(FAKE_START=str(self.folder / "started"))
        self.assertEqual(["policy 101", "rc 1", "after none"], lines)


if __name__ == "__main__":
    if os.geteuid() != 0 or shutil.which("unshare") is None:
        print("SKIPPED: install-deps.sh is checked as root only (mount namespace, overlay)")
        sys.exit(77)
    unittest.main(verbosity=2)
