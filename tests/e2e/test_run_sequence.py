"""The run up to the checks of the command line: banner, report channel,
IPC file, cancel file and the messages for missing options."""

import nelvo_driver as d
from nelvo_driver import (BANNER, CRLF, MISSING_ENTRY, MISSING_ENTRY_BLOCK, NO_ENTRIES,
                          NO_ENTRIES_BLOCK, USAGE_DIAL, head, ipc_record)

DIAL_ARGS = ["/ENTRY:isp", "/USER:joe", "/PASS:pw", "/PHONE:555"]


class ReportOnStandardOutput(d.NelvoCase):

    def test_no_options_to_a_file_and_a_pipe(self):
        for mode in ("file", "pipe"):
            result = self.run_nelvo([], stdout_mode=mode)
            self.assertEqual(BANNER + MISSING_ENTRY_BLOCK, result.stdout, mode)
            self.assertEqual({}, result.files)

    def test_appended_file_is_emptied_and_log_name_ignored(self):
        result = self.run_nelvo(["/LOG:run.log", "/entry:"], stdout_mode="append",
                                old_stdout=b"earlier output\r\n" * 20)
        self.assertEqual(BANNER + MISSING_ENTRY_BLOCK, result.stdout)
        self.assertIsNone(result.file("run.log"))

    def test_each_missing_dial_value(self):
        cases = [
            (["/ENTRY:isp"], b"ERROR : User ID NOT Specified"),
            (["/ENTRY:isp", "/USER:joe"], b"ERROR : User Password NOT Specified"),
            (["/ENTRY:isp", "/USER:joe", "/PASS:pw", "/PHONE: x"],
             b"ERROR : Phone Number NOT Specified"),
        ]
        for args, message in cases:
            result = self.run_nelvo(args + ["/IPC:s.ipc"])
            self.assertEqual(head() + message + CRLF + USAGE_DIAL, result.stdout)
            self.assertEqual(ipc_record(message), result.file("s.ipc"))

    def test_hang_up_needs_only_the_entry(self):
        # "/hangup" inside the log name switches the mode: no user needed,
        # so the run goes on to look the entry up.
        result = self.run_nelvo(["/LOG:x/hangup.log", "/ENTRY:isp", "/IPC:s.ipc"],
                                stdout_mode="pipe")
        self.assertEqual(head() + NO_ENTRIES_BLOCK, result.stdout)
        self.assertEqual(ipc_record(NO_ENTRIES), result.file("s.ipc"))


class IpcFile(d.NelvoCase):

    def test_entry_missing_overwrites_only_the_record(self):
        (self.folder / "s.ipc").write_bytes(b"o" * 64 + bytes(range(36)))
        result = self.run_nelvo(["/IPC:s.ipc"])
        self.assertEqual(head() + MISSING_ENTRY_BLOCK, result.stdout)
        self.assertEqual(ipc_record(MISSING_ENTRY) + bytes(range(36)), result.file("s.ipc"))

    def test_folder_missing_gives_76(self):
        result = self.run_nelvo(["/IPC:nofolder/s.ipc", "/ENTRY:isp"])
        self.assertEqual(BANNER + b"IPC : nofolder/s.ipc  76\r\n"
                         + b"ERROR : User ID NOT Specified\r\n" + USAGE_DIAL, result.stdout)
        self.assertEqual({}, result.files)

    def test_unusable_names_give_64(self):
        long_name = "n" * 300
        for name in ("bad*.ipc", "bad?.ipc", long_name):
            result = self.run_nelvo(["/IPC:" + name] + DIAL_ARGS, stdout_mode="pipe")
            self.assertEqual(BANNER + b"IPC : " + name.encode() + b"  64\r\n" + NO_ENTRIES_BLOCK,
                             result.stdout)
            self.assertEqual({}, result.files)


class CancelFile(d.NelvoCase):

    def test_named_cancel_file_is_deleted(self):
        (self.folder / "stop.qcx").write_bytes(b"")
        self.run_nelvo(DIAL_ARGS + ["/CANCEL:stop.qcx"])
        self.assertFalse((self.folder / "stop.qcx").exists())

    def test_hang_up_deletes_the_default_only(self):
        default = "rascancel.qcx"
        (self.folder / default).write_bytes(b"")
        (self.folder / "stop.qcx").write_bytes(b"")
        self.run_nelvo(["/ENTRY:isp", "/HANGUP", "/CANCEL:stop.qcx"])
        self.assertFalse((self.folder / default).exists())
        self.assertTrue((self.folder / "stop.qcx").exists())


class ReportToLog(d.NelvoCase):
    """Standard output a console: the report goes to the log file."""

    def test_log_is_emptied_and_console_stays_quiet(self):
        (self.folder / "run.log").write_bytes(b"x" * 5000)
        result = self.run_nelvo(["/log:run.log", "/IPC:s.ipc"], stdout_mode="pty")
        self.assertEqual(head() + MISSING_ENTRY_BLOCK, result.file("run.log"))
        self.assertEqual(b"", d.console_text(result.console).strip())
        self.assertEqual(ipc_record(MISSING_ENTRY), result.file("s.ipc"))

    def test_log_held_by_another_program_gets_nothing(self):
        old = b"another program's log\r\n"
        (self.folder / "run.log").write_bytes(old)
        with d.HeldOpen(self.folder, "run.log"):
            result = self.run_nelvo(["/LOG:run.log", "/IPC:s.ipc"], stdout_mode="pty")
        self.assertEqual(old, result.file("run.log"))
        self.assertEqual(ipc_record(MISSING_ENTRY), result.file("s.ipc"))
        self.assertEqual(b"", d.console_text(result.console).strip())

    def test_no_log_name_writes_to_the_console(self):
        result = self.run_nelvo(["/ENTRY:isp"], stdout_mode="pty")
        text = d.console_text(result.console)
        self.assertIn(BANNER.rstrip(CRLF), text)
        self.assertIn(b"ERROR : User ID NOT Specified", text)


class BadInput(d.NelvoCase):

    def test_huge_command_line(self):
        value = "v" * 31900
        result = self.run_nelvo(["/ENTRY:isp", "/USER:" + value, "/PASS:"], stdout_mode="pipe")
        self.assertEqual(BANNER + b"ERROR : User Password NOT Specified\r\n" + USAGE_DIAL,
                         result.stdout)

    def test_tabs_and_bytes_above_127_in_values(self):
        args = ["/ENTRY:a\tb", "/USER:j\u00f6e\u00e9", "/PASS:p\tq", "/LOG:l\tog"]
        result = self.run_nelvo(args, stdout_mode="pipe")
        self.assertEqual(BANNER + b"ERROR : Phone Number NOT Specified\r\n" + USAGE_DIAL,
                         result.stdout)

    def test_long_log_name_under_a_console(self):
        result = self.run_nelvo(["/LOG:" + "l" * 2000, "/IPC:s.ipc"], stdout_mode="pty")
        self.assertEqual(["s.ipc"], list(result.files))
        self.assertEqual(ipc_record(MISSING_ENTRY), result.file("s.ipc"))


if __name__ == "__main__":
    d.main()
