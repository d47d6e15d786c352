"""Whole runs on POSIX and their safety: a reader of standard output that goes away, the
password in the process's arguments, and the default cancel file. The first
two are POSIX facts (on Windows a write to a closed pipe only fails, and the
command line cannot be masked), so they run on the host build only."""

import os
import subprocess

import nelvo_driver as d
import simulated_service as sim
from nelvo_driver import ipc_record
from simulated_service import FAST, STALLED

PASSWORD = "Tops3cret-15"
DIAL_ARGS = ["/USER:joe", "/PASS:" + PASSWORD, "/PHONE:555-0199"]


def read_until(stream, marker):
    """Reads the pipe until the marker has passed; what was read."""
    seen = b""
    while marker not in seen:
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            break
        seen += chunk
    return seen


class PosixCase(sim.ServiceCase):

    def setUp(self):
        if d.is_windows_build():
            self.skipTest("a POSIX fact; Windows behaves so already or cannot")
        super().setUp()


class ReaderGoesAway(PosixCase):
    """SIGPIPE is ignored: the run goes on to its normal end."""

    def start(self, args, stdout):
        env = dict(os.environ, **self.env)
        return subprocess.Popen(d.RUNNER + [d.PROGRAM] + args, cwd=self.folder, env=env,
                                stdin=subprocess.DEVNULL, stdout=stdout,
                                start_new_session=True)

    def test_before_the_banner_mid_dial_and_before_connected(self):
        self.add_entry("Office", *FAST)
        self.add_entry("Stalled", *STALLED)
        args = ["/ENTRY:Office", "/IPC:s.ipc"] + DIAL_ARGS

        # Before the banner: the pipe has no reader when the run starts.
        reader, writer = os.pipe()
        os.close(reader)
        process = self.start(args, writer)
        os.close(writer)
        self.assertEqual(0, process.wait(timeout=d.TIMEOUT))
        self.assertEqual(ipc_record(b"Connection Successful"), (self.folder / "s.ipc").read_bytes())

        # Just before "Connected": the reader leaves after the last state.
        process = self.start(args, subprocess.PIPE)
        self.assertIn(b"Connection Successful\r\n", read_until(process.stdout,
                                                               b"Connection Successful\r\n"))
        process.stdout.close()
        self.assertEqual(0, process.wait(timeout=d.TIMEOUT))
        self.assertEqual(ipc_record(b"Connection Successful"), (self.folder / "s.ipc").read_bytes())

        # Mid-dial: the outcome still reaches the IPC file after the reader left.
        process = self.start(["/ENTRY:Stalled", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS,
                             subprocess.PIPE)
        self.assertIn(b"Dialing\r\n", read_until(process.stdout, b"Dialing\r\n"))
        process.stdout.close()
        (self.folder / "stop.qcx").write_bytes(b"")
        self.assertEqual(0, process.wait(timeout=d.TIMEOUT))
        self.assertEqual(ipc_record(b"ERROR : Connection Failed"),
                         (self.folder / "s.ipc").read_bytes())
        # The cancelled dial was hung up; the two that connected stay up.
        self.assertEqual([b"Office", b"Office"], [c[3] for c in self.connections()])


class PasswordInArguments(PosixCase):

    def test_masked_in_proc_while_the_dial_waits(self):
        self.add_entry("Stalled", *STALLED)
        ipc = self.folder / "s.ipc"
        env = dict(os.environ, **self.env)
        process = subprocess.Popen(
            d.RUNNER + [d.PROGRAM, "/ENTRY:Stalled", "/IPC:s.ipc", "/CANCEL:stop.qcx"] + DIAL_ARGS,
            cwd=self.folder, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
        try:
            self.assertTrue(sim.wait_for(
                lambda: ipc.exists() and ipc.read_bytes() == ipc_record(b"Dialing")))
            arguments = open("/proc/%d/cmdline" % process.pid, "rb").read().split(b"\0")
        finally:
            (self.folder / "stop.qcx").write_bytes(b"")
            output = process.communicate(timeout=d.TIMEOUT)[0]
        self.assertEqual(0, process.returncode)
        self.assertIn(b"/PASS:" + b"*" * len(PASSWORD), arguments)
        self.assertNotIn(PASSWORD.encode(), b" ".join(arguments))
        self.assertIn(b"ERROR CODE : 668\r\n", output)
        # What was dialled had the password all the same.
        self.assertEqual([(b"Stalled", b"555-0199", b"joe", b"yes")], self.dials())


class DefaultCancelFile(sim.ServiceCase):

    def test_rascancel_qcx_in_the_folder_is_deleted_then_cancels(self):
        self.add_entry("Stalled", *STALLED)
        cancel = self.folder / "rascancel.qcx"
        cancel.write_bytes(b"left over")
        ipc = self.folder / "s.ipc"

        stale_gone = []

        def cancel_once_dialling():
            if sim.wait_for(lambda: ipc.exists() and ipc.read_bytes() == ipc_record(b"Dialing")):
                stale_gone.append(not cancel.exists())
                cancel.write_bytes(b"")

        canceller = sim.later(0, cancel_once_dialling)
        result = self.run_nelvo(["/ENTRY:Stalled", "/IPC:s.ipc"] + DIAL_ARGS)
        canceller.join()
        self.assertEqual([True], stale_gone)
        self.assertTrue(result.stdout.endswith(b"ERROR : Not Connected\r\nERROR CODE : 668\r\n"))
        self.assertEqual(ipc_record(b"ERROR : Connection Failed"), result.file("s.ipc"))
        self.assertEqual(b"", result.file("rascancel.qcx"))  # the one made during the dial
        self.assertEqual([], self.connections())


if __name__ == "__main__":
    d.main()
