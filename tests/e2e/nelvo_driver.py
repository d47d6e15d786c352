"""Runs nelvo as a process, the way a user or a batch file would, and
collects what it wrote: standard output, the console (under a
pseudo-terminal) and any file in its working folder.

Works for both builds: the host program is started directly, the Windows
program through the runner (cmake/wine-run.sh LOADER PREFIX). Under Wine, a
redirection to a file is made by Wine's own cmd, as a Windows shell would
make it: a file handle that Wine inherits from a Linux shell cannot be cut
(SetEndOfFile fails), so only a Windows-made redirection shows what the
program does on Windows.
"""

import argparse
import fcntl
import os
import pty
import re
import select
import shlex
import shutil
import subprocess
import sys
import tempfile
import termios
import threading
import time
import unittest
from dataclasses import dataclass, field
from pathlib import Path

PROGRAM = None  # path of nelvo / nelvo.exe
RUNNER = []  # command prefix, empty on the host
TOOLS = None  # folder of helper programs (holdopen)

CRLF = b"\r\n"
BANNER = b"Nelvo - Command line RAS dialer - 2.0\r\n"
USAGE_DIAL = (b"  Nelvo /LOG:logfile /IPC:ipcfile /CANCEL:filename /ENTRY:entryname\r\n"
              b"        /USER:username /PASS:password /PHONE:phonenumber\r\n")
MISSING_ENTRY = b"ERROR : RAS Phone Book Entry NOT Specified"
MISSING_ENTRY_BLOCK = (MISSING_ENTRY + CRLF + USAGE_DIAL + b"  or\r\n\r\n"
                       b"  Nelvo /LOG:logfile /IPC:ipcfile /ENTRY:entryname /HANGUP\r\n")
CREATE_ENTRY = (b"         Please create a RAS phone book entry for Dial Up Networking\r\n"
                b"         that matches the /ENTRY parm you are using\r\n")
NO_ENTRIES = b"ERROR : No RAS Phone Book Entries found"
NO_ENTRIES_BLOCK = NO_ENTRIES + CRLF + CREATE_ENTRY
NO_CONNECTIONS = b"ERROR : No active connections for HANGUP found"
CONNECTION_FAILED = b"ERROR : Connection Failed"
# The report line (and IPC status) of each connection state that has a text.
STATE_TEXTS = {2: b"Dialing", 3: b"Modem Connected", 4: b"Modem Connected",
               5: b"Authentication Started", 10: b"Authentication Started",
               14: b"Authenticated", 8192: b"Connection Successful"}
TIMEOUT = 60

# Escape sequences a terminal emulator (Wine's console) writes around text.
_ESCAPES = re.compile(rb"\x1b\[[0-9;?]*[ -/]*[@-~]|\x1b\][^\x07]*\x07|\x1b[()][0-9A-Za-z]|\x1b[=>]")


def configure(program, runner="", tools=None):
    """Sets the program under test and how to start it."""
    global PROGRAM, RUNNER, TOOLS
    PROGRAM = os.path.abspath(program)
    RUNNER = shlex.split(runner) if runner else []
    TOOLS = os.path.abspath(tools) if tools else os.path.dirname(PROGRAM)


def is_windows_build():
    return PROGRAM.lower().endswith(".exe")


def ipc_record(text):
    """The 64-byte IPC record for a status text."""
    return text[:64].ljust(64, b" ")


def head(ipc="s.ipc"):
    """The report's first lines: the banner and the IPC file opened."""
    return BANNER + b"IPC : %s  0\r\n" % ipc.encode()


def progress_lines(states):
    """The report lines a dial through these states writes."""
    return b"".join(STATE_TEXTS[s] + CRLF for s in states if s in STATE_TEXTS)


def state_status(state):
    """The IPC text of a state: its text, else the number in sign-position form."""
    return STATE_TEXTS.get(state, b" %d" % state)


HANGING_UP = b"Hanging up ...\r\n"


def hung_up(handle):
    """The report's lines after the banner when the hang-up of a handle succeeds."""
    return HANGING_UP + b"Handle : %d \r\nOK\r\n" % handle


def not_connected(code):
    """The report's last lines when a dial ends without a connection."""
    return b"ERROR : Not Connected\r\nERROR CODE : %d\r\n" % code


def later(seconds, action):
    """Runs the action on a thread of its own after a while; join() it."""
    thread = threading.Thread(target=lambda: (time.sleep(seconds), action()), daemon=True)
    thread.start()
    return thread


def wait_for(check, timeout=TIMEOUT, interval=0.02, process=None):
    """Waits until check() holds; False when it did not within the timeout,
    or the process given ended first."""
    deadline = time.monotonic() + timeout
    while not check():
        if time.monotonic() > deadline or (process is not None and process.poll() is not None):
            return False
        time.sleep(interval)
    return True


_CURSOR_FORWARD = re.compile(rb"\x1b\[(\d*)C")


def console_text(raw):
    """Console output with the terminal's escape sequences and CRs removed;
    a cursor move forward (Wine draws runs of blanks so) counts as blanks."""
    raw = _CURSOR_FORWARD.sub(lambda m: b" " * int(m.group(1) or b"1"), raw)
    return _ESCAPES.sub(b"", raw).replace(b"\r", b"")


def windows_path(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + str(path).replace("/", "\\")


@dataclass
class Result:
    """What one run left behind."""
    exit_code: int
    stdout: bytes
    console: bytes
    folder: Path
    files: dict = field(default_factory=dict)

    def file(self, name):
        """Bytes of a file in the working folder, None when it does not exist."""
        path = self.folder / name
        return path.read_bytes() if path.exists() else None


def _take_terminal():
    """In the child: a new session whose controlling terminal is the pty."""
    os.setsid()
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


def _run_on_pty(command, cwd, env, stdout_file=None):
    """Runs with a pseudo-terminal as standard input and error, and as
    standard output unless a file is given for it."""
    master, slave = pty.openpty()
    try:
        process = subprocess.Popen(command, cwd=cwd, env=env, stdin=slave,
                                   stdout=stdout_file or slave, stderr=slave,
                                   preexec_fn=_take_terminal)
    finally:
        os.close(slave)
    output = b""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal closed with the last process on it
                break
            if not chunk:
                break
            output += chunk
        elif process.poll() is not None:
            break
    os.close(master)
    return process.wait(timeout=TIMEOUT), output


# cmd's errorlevel when it could not start the program, as the exit status
# of a process: cmd prints "Can't recognize" and the program never ran.
_CMD_COULD_NOT_START = 9009 & 0xFF


def _run_through_cmd(line, cwd, env):
    """Runs a command line through Wine's cmd. Under load Wine now and then
    fails to create the program's process; that start is made again, since
    nothing of the program ran."""
    for _ in range(3):
        code = subprocess.run(RUNNER + ["cmd", "/c", line], cwd=cwd, env=env,
                              stdin=subprocess.DEVNULL, timeout=TIMEOUT).returncode
        if code != _CMD_COULD_NOT_START:
            break
        print("cmd could not start the program; starting it again", file=sys.stderr)
    return code


def run_program(program, args, stdout_mode="file", cwd=None, env=None, old_stdout=b""):
    """Runs a program of this build with the arguments in cwd; returns a Result.

    stdout_mode: "file" (a new file), "append" (a file opened for appending
    that holds old_stdout first), "pipe", "pty" (a pseudo-terminal, so
    standard output is a console; its text lands in Result.console), or
    "pty-file" (a pseudo-terminal for the console, standard output a file).
    Only the pty modes give the program a console (a controlling terminal).
    """
    cwd = Path(cwd)
    full_env = dict(os.environ)
    full_env.update(env or {})
    command = [program] + list(args)
    out_path = cwd / "stdout.out"
    console = b""
    stdout = b""
    if stdout_mode == "pty":
        code, console = _run_on_pty(RUNNER + command, cwd, full_env)
    elif stdout_mode == "pty-file":
        with open(out_path, "wb") as out:
            code, console = _run_on_pty(RUNNER + command, cwd, full_env, out)
        stdout = out_path.read_bytes()
        out_path.unlink()
    elif stdout_mode == "pipe":
        # A new session: no controlling terminal, as when another program starts it.
        done = subprocess.run(RUNNER + command, cwd=cwd, env=full_env, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, timeout=TIMEOUT, start_new_session=True)
        code, stdout = done.returncode, done.stdout
    elif stdout_mode in ("file", "append"):
        out_path.write_bytes(old_stdout if stdout_mode == "append" else b"")
        if is_windows_build():
            # Wine's cmd makes the redirection, as a Windows shell would.
            line = subprocess.list2cmdline([windows_path(program)] + list(args))
            line += (" >> " if stdout_mode == "append" else " > ") + out_path.name
            code = _run_through_cmd(line, cwd, full_env)
        else:
            with open(out_path, "ab" if stdout_mode == "append" else "wb") as out:
                code = subprocess.run(command, cwd=cwd, env=full_env, stdin=subprocess.DEVNULL,
                                      stdout=out, timeout=TIMEOUT).returncode
        stdout = out_path.read_bytes()
        out_path.unlink()
    else:
        raise ValueError(stdout_mode)
    files = {p.name: p.read_bytes() for p in cwd.iterdir() if p.is_file()}
    return Result(code, stdout, console, cwd, files)


def run_nelvo(args, **kwargs):
    """Runs nelvo; see run_program."""
    return run_program(PROGRAM, args, **kwargs)


def tool_path(name):
    """Path of a helper program of this build."""
    return os.path.join(TOOLS, name + (".exe" if is_windows_build() else ""))


class HeldOpen:
    """Holds a file open with no sharing from another process while in use."""

    def __init__(self, folder, name):
        self.folder = Path(folder)
        self.name = name
        self.stop = "holdopen.stop"

    def __enter__(self):
        self.process = subprocess.Popen(RUNNER + [tool_path("holdopen"), self.name, self.stop],
                                        cwd=self.folder, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE)
        line = self.process.stdout.readline()
        if line.strip() != b"held":
            self.process.kill()
            raise RuntimeError("holdopen did not start: %r" % line)
        return self

    def __exit__(self, *exc):
        (self.folder / self.stop).write_bytes(b"")
        self.process.wait(timeout=TIMEOUT)
        self.process.stdout.close()
        (self.folder / self.stop).unlink()
        return False


class NelvoCase(unittest.TestCase):
    """A test case with a fresh working folder whose path holds no option
    name, and a simulated remote-access service of its own with an empty
    phone book (its state folder is handed over in RASSIM_DIR), so no test
    ever sees the user's own simulator state."""

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="nelvo-e2e-"))
        self.state_folder = Path(tempfile.mkdtemp(prefix="nelvo-sim-"))
        folder = str(self.state_folder)
        self.env = {"RASSIM_DIR": windows_path(folder) if is_windows_build() else folder}

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        shutil.rmtree(self.state_folder, ignore_errors=True)

    def run_nelvo(self, args, **kwargs):
        kwargs.setdefault("cwd", self.folder)
        kwargs["env"] = dict(self.env, **(kwargs.get("env") or {}))
        result = run_nelvo(args, **kwargs)
        self.assertEqual(0, result.exit_code)
        return result


def main():
    """Runs the test cases of the calling script: --program PATH [--runner CMD] [--tools DIR]."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--runner", default="")
    parser.add_argument("--tools")
    args, rest = parser.parse_known_args()
    configure(args.program, args.runner, args.tools)
    unittest.main(module="__main__", argv=[sys.argv[0]] + rest, verbosity=2)
