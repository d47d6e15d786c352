"""Dials that never fail a status query and never connect: they are waited
out for the whole poll budget (about 86 seconds), then hung up, and end
with the service's code or with 638 when it gave none."""

import nelvo_driver as d
import simulated_service as sim
from nelvo_driver import head, ipc_record, not_connected

ARGS = ["/ENTRY:Office", "/IPC:s.ipc", "/USER:joe", "/PASS:secret", "/PHONE:555"]
HEAD = head() + b"Connecting to Office\r\nDialing\r\n"


class PollBudget(sim.ServiceCase):

    def dial_out(self, *entry_options):
        self.add_entry("Office", "--states", "0,1,2", "--step-ms", "50", *entry_options)
        d.TIMEOUT = 150
        result = self.run_nelvo(ARGS)
        self.assertEqual(ipc_record(d.CONNECTION_FAILED), result.file("s.ipc"))
        self.assertEqual([], self.connections())
        return result.stdout

    def test_line_busy(self):
        self.assertEqual(HEAD + not_connected(676),
                         self.dial_out("--fail-at", "2", "--error", "676"))

    def test_never_completes(self):
        self.assertEqual(HEAD + not_connected(638), self.dial_out("--never-finish"))


if __name__ == "__main__":
    d.main()
