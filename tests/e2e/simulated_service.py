"""The simulated remote-access service as the end-to-end tests use it: a
state folder of its own per test, phone books built with rassim, active
connections read back (or written outright for hang-up cases), and
watchers that sample the IPC file or act on the folder while nelvo runs."""

import os
import subprocess
import threading
import time
from pathlib import Path

import nelvo_driver as d
from nelvo_driver import later, progress_lines, state_status, wait_for  # noqa: F401

# The states a simulated dial passes by default.
DEFAULT_STATES = [0, 1, 2, 3, 4, 5, 6, 10, 14, 18, 8192]
FAST = ["--step-ms", "50"]
# A dial that gets as far as dialling and then waits for ever.
STALLED = ["--states", "0,1,2", "--never-finish", "--step-ms", "50"]


class ServiceCase(d.NelvoCase):
    """A test case that sets up and inspects its own simulated service."""

    def rassim(self, *args):
        """Runs rassim of this build; returns its standard output, lines ending in LF."""
        env = dict(os.environ)
        env.update(self.env)
        done = subprocess.run(d.RUNNER + [d.tool_path("rassim")] + list(args), env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              timeout=d.TIMEOUT, check=True)
        return done.stdout.replace(b"\r\n", b"\n")

    def add_entry(self, name, *options):
        self.rassim("phonebook", "add", name, *options)

    def connections(self):
        """The active connections as (handle, state, error, name), in order."""
        rows = []
        for line in self.rassim("connections").splitlines():
            handle, state, error, name = line.split(b" ", 3)
            rows.append((int(handle), int(state), int(error), name))
        return rows

    def dials(self):
        """What each dial was given: (entry, phone number, user name, password given)."""
        return [tuple(line.split(b"\t")[1:]) for line in self.rassim("dials").splitlines()]

    def set_connections(self, connections, hang_up_ms=0):
        """Makes these (handle, entry name) connections the active ones, all
        connected; each hang-up then takes hang_up_ms."""
        lines = ["next 100"]
        for handle, name in connections:
            lines.append("%d 1 8192 0 %d 0 %s" % (handle, hang_up_ms, name))
        (self.state_folder / "connections.txt").write_text("\n".join(lines) + "\n")


class IpcSampler(threading.Thread):
    """Reads the IPC file every few milliseconds while nelvo runs and keeps
    each new record; a dial's fast states may slip between two samples."""

    def __init__(self, path, interval=0.01):
        super().__init__(daemon=True)
        self.path = Path(path)
        self.interval = interval
        self.records = []
        self.done = threading.Event()

    def run(self):
        while not self.done.is_set():
            try:
                record = self.path.read_bytes()
            except OSError:
                record = None
            if record and (not self.records or self.records[-1] != record):
                self.records.append(record)
            time.sleep(self.interval)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.done.set()
        self.join()
        return False

