"""The manual page's worked examples, run as they stand against the real
NetworkManager, so that they cannot drift from what nelvo does: the nmcli
commands that make the entries, the dial and the hang-up with the output
the page shows (the handle may differ), and the shell script that reads
the IPC file, and the crontab line as a user that the package's example
polkit rule lets dial. --page: the built manual page."""

import os
import re
import subprocess
import sys
from pathlib import Path

import daemon_case as c
import nelvo_driver as d

# The page's password, which the stand-in modem takes.
EXAMPLE_PASSWORD = "secret"
INDENT = " " * 14  # where groff sets the page's example blocks


def example_blocks(page):
    """The code blocks of the EXAMPLES section, as a reader sees them: the
    page rendered on long lines, unhyphenated."""
    text = subprocess.run(["groff", "-man", "-Tascii", "-P-cbou", "-rLL=250n", "-rHY=0", page],
                          check=True, text=True, stdout=subprocess.PIPE).stdout
    section = text.split("\nEXAMPLES\n")[1].split("\nSECURITY\n")[0]
    blocks, block = [], []
    for line in section.splitlines() + [""]:
        if line.startswith(INDENT):
            block.append(line[len(INDENT):])
        elif block and line.strip():
            blocks.append(block)
            block = []
    return blocks


class ExampleEntries(c.DaemonCase):
    """The setup, with the entries that the page's nmcli commands make."""
    profiles = {}
    modems = 1
    password = EXAMPLE_PASSWORD
    blocks = None

    @classmethod
    def add_profiles(cls):
        """The entries, made by the page's nmcli commands, which end by
        listing the profiles."""
        cls.made = cls.shell(cls, "\n".join(cls.blocks[0]))
        cls.stored = cls.daemon.profiles()

    def shell(self, script, uid=None, timeout=d.TIMEOUT):
        """The script run by sh in the test's folder, nelvo on the PATH; with
        a uid, as that user, at home there, as cron starts a job. Standard
        error is the reader's, which the page does not show."""
        env = dict(self.daemon.env, PATH=os.path.dirname(d.PROGRAM) + ":" + os.environ["PATH"])
        user = []
        if uid is not None:
            env["HOME"] = str(self.folder)
            user = c.as_user(uid)
        return subprocess.run(user + ["sh", "-c", script], cwd=getattr(self, "folder", None),
                              env=env, text=True, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)


class Examples(ExampleEntries):

    def test_entries_made_and_listed(self):
        self.assertEqual(0, self.made.returncode, self.made.stderr)
        listed = {tuple(line.split()) for line in self.made.stdout.splitlines()}
        self.assertLessEqual({("Office", "gsm"), ("DSL", "pppoe"), ("Tunnel", "vpn")}, listed)

    def test_dialled_and_hung_up(self):
        shown, seen = [], []
        for line in self.blocks[1]:
            if line.startswith("$ "):
                done = self.shell(line[2:])
                seen += done.stdout.splitlines()
            else:
                shown.append(re.escape(line.rstrip()).replace("12", r"\d+"))
        self.assertEqual(len(shown), len(seen), seen)
        for expected, line in zip(shown, seen):
            self.assertRegex(line.rstrip(), "^" + expected + "$")
        self.assert_links_down_and_no_copies()

    def test_script_reads_the_ipc_file_and_hangs_up(self):
        done = self.shell("\n".join(self.blocks[3]), timeout=120)
        self.assertEqual(0, done.returncode)
        self.assertNotIn("hang-up failed", done.stderr)
        self.assertTrue(done.stdout.splitlines()[-1].startswith("status: Connection Successful"),
                        done.stdout)
        self.assertTrue((self.folder / "hangup.log").read_bytes().endswith(b"OK\r\n"))
        self.assert_links_down_and_no_copies()


class AsGroupMember(ExampleEntries):
    """The crontab line as cron runs it, with no session: the group member
    dials and hangs up through the package's example polkit rule, checked by
    a real polkitd, and a user outside the group is refused."""

    # Users that every Debian machine has: nobody in the rule's group.
    MEMBER, OTHER = 65534, 1
    polkit = (Path(__file__).resolve().parents[2] / "packaging/deb/50-nelvo.rules",
              {"nelvo": ["nobody"]})

    def cron_line(self, uid):
        """The report of the crontab line's command, run as the user."""
        (self.folder / "dial").mkdir()
        for folder in (self.folder, self.folder / "dial"):
            os.chown(folder, uid, uid)
        self.shell(self.blocks[4][0].split(None, 5)[5], uid)
        return (self.folder / "dial/office.log").read_bytes()

    def test_cron_line_dials_and_the_member_hangs_up(self):
        log = self.cron_line(self.MEMBER)
        self.assertTrue(log.endswith(b"\r\nConnected\r\n"), log)
        self.assertTrue(self.shell("nelvo /ENTRY:Office /HANGUP", self.MEMBER)
                        .stdout.endswith("OK\n"))
        self.assert_links_down_and_no_copies()

    def test_cron_line_of_a_user_outside_the_group_is_refused(self):
        log = self.cron_line(self.OTHER)
        self.assertTrue(log.endswith(b"ERROR CODE : 5\r\n"), log)
        self.assert_links_down_and_no_copies()


if __name__ == "__main__":
    page = sys.argv.pop(sys.argv.index("--page") + 1)
    sys.argv.remove("--page")
    ExampleEntries.blocks = example_blocks(page)
    c.main()
