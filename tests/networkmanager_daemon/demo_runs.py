"""scripts/demo-linux.sh as a new user runs it, three times in a row: each
run must end with status 0, since a demo, like a test, never fails by
chance. Takes the build folder; exits 77 where the real daemon cannot run."""
import os
import signal
import subprocess
import sys
from pathlib import Path

import nm_harness

DEMO = Path(__file__).resolve().parents[2] / "scripts" / "demo-linux.sh"
RUNS = 3
RUN_BOUND = 90  # seconds, three within the test's 300; a run takes about 10 once built


def run_demo(build):
    """The demo's exit status and output; a run past its bound is ended by
    SIGTERM, on which the demo takes its setup down."""
    demo = subprocess.Popen([str(DEMO)], env=dict(os.environ, NELVO_DEMO_BUILD=build),
                            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)
    try:
        output = demo.communicate(timeout=RUN_BOUND)[0]
    except subprocess.TimeoutExpired:
        os.killpg(demo.pid, signal.SIGTERM)
        output = demo.communicate(timeout=30)[0] + b"\n(ended after %d s)" % RUN_BOUND
    return demo.returncode, output.decode("utf-8", "replace")


def main():
    reason = nm_harness.why_not_runnable()
    if reason is not None:
        print("SKIPPED: the demo cannot run here: " + reason)
        return 77
    for run in range(1, RUNS + 1):
        status, output = run_demo(sys.argv[1])
        if status != 0:
            print(output[-3000:])
            print(f"run {run} of {RUNS} ended with status {status}")
            return 1
    print(f"the demo ran {RUNS} times in a row, each ending with status 0")
    return 0


if __name__ == "__main__":
    sys.exit(main())
