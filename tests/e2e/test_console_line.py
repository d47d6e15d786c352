"""The one line written straight to the console window, whatever standard
output is redirected to."""

import nelvo_driver as d


class ConsoleLine(d.NelvoCase):

    def run_tool(self, text, mode):
        result = d.run_program(d.tool_path("consoleline"), [text], stdout_mode=mode,
                               cwd=self.folder)
        self.assertEqual(0, result.exit_code)
        return result

    def test_line_reaches_the_console_not_the_redirected_output(self):
        result = self.run_tool("ERROR on hangup : 5 ", "pty-file")
        self.assertIn(b"ERROR on hangup : 5", d.console_text(result.console))
        self.assertEqual(b"after", result.stdout.strip())

    def test_without_a_console_nothing_is_shown(self):
        result = self.run_tool("ERROR on hangup : 5 ", "pipe")
        self.assertEqual(b"after", result.stdout.strip())

    def test_line_wider_than_the_window_is_safe(self):
        result = self.run_tool("x" * 5000, "pty-file")
        self.assertIn(b"xxxxxxxxxx", d.console_text(result.console))
        self.assertEqual(b"after", result.stdout.strip())


if __name__ == "__main__":
    d.main()
