"""Figures of whole runs of nelvo against the simulated service, printed as
a table: a run that stops at the missing-entry block against /bin/true,
peak memory, the CPU time of a long dial wait, and the latency from the
service reaching the connected state, and from the cancel file appearing,
to the run's last line.
    process_figures.py --bin BUILD/bin --state FOLDER [--wait SECONDS] [--repeat N]"""
import argparse
import os
import statistics
import subprocess
import sys
import time


def spawn(argv, env, stdout=subprocess.DEVNULL):
    return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=stdout,
                            stderr=subprocess.DEVNULL, bufsize=0)


def finish(process):
    """Waits for the process; returns (wall-clock end, rusage)."""
    _, _, usage = os.wait4(process.pid, 0)
    process.returncode = 0
    return time.monotonic(), usage


def timed_lines(process):
    """Reads the report lines as they come, each with the moment it arrived."""
    lines = []
    for line in iter(process.stdout.readline, b""):
        lines.append((time.monotonic(), line.rstrip(b"\r\n").decode("latin-1")))
    return lines


class Service:
    """The simulator's state folder and its tool."""

    def __init__(self, bin_folder, state):
        self.bin = bin_folder
        self.env = dict(os.environ, RASSIM_DIR=state)
        os.makedirs(state, exist_ok=True)
        self.rassim("phonebook", "clear")

    def rassim(self, *arguments):
        subprocess.run([os.path.join(self.bin, "rassim"), *arguments], env=self.env, check=True,
                       stdout=subprocess.DEVNULL)

    def nelvo(self, *arguments, stdout=subprocess.DEVNULL):
        return spawn([os.path.join(self.bin, "nelvo"), *arguments], self.env, stdout)

    def dial(self, entry, *extra, stdout=subprocess.PIPE):
        return self.nelvo(f"/ENTRY:{entry}", "/USER:user", "/PASS:secret", "/PHONE:5550100",
                          *extra, stdout=stdout)

    def hang_up(self, entry):
        finish(self.nelvo(f"/ENTRY:{entry}", "/HANGUP"))


def median_ms(values):
    return statistics.median(values) * 1000


def run_against_true(service, repeat):
    """Alternates the two so that both see the same machine load."""
    nelvo, true = [], []
    for _ in range(repeat):
        for times, argv in ((nelvo, [os.path.join(service.bin, "nelvo")]), (true, ["/bin/true"])):
            start = time.monotonic()
            end, _ = finish(spawn(argv, service.env))
            times.append(end - start)
    return median_ms(nelvo), median_ms(true)


def connected_latency(service, repeat):
    """From the notifier's "Connection Successful" to the last line, "Connected"."""
    latencies, peak_kb = [], 0
    for i in range(repeat):
        process = service.dial(f"Quick{i}")
        lines = timed_lines(process)
        _, usage = finish(process)
        peak_kb = max(peak_kb, usage.ru_maxrss)
        moments = {text: moment for moment, text in lines}
        if lines[-1][1] != "Connected" or "Connection Successful" not in moments:
            sys.exit(f"unexpected dial report: {lines}")
        latencies.append(lines[-1][0] - moments["Connection Successful"])
        service.hang_up(f"Quick{i}")
    return latencies, peak_kb


def cancel_latency(service, state, repeat):
    """From creating the cancel file to the last line of the failed dial."""
    cancel = os.path.join(state, "cancel.flag")
    latencies = []
    for i in range(repeat):
        process = service.dial("Never", f"/CANCEL:{cancel}")
        first = process.stdout.readline()  # the banner: the dial is under way soon after
        time.sleep(1.5 + 0.2 * i)  # vary where in the poll second the file appears
        with open(cancel, "wb"):
            pass
        created = time.monotonic()
        lines = timed_lines(process)
        finish(process)
        if not first or not lines or lines[-1][1] != "ERROR CODE : 668":
            sys.exit(f"unexpected cancelled dial report: {lines}")
        latencies.append(lines[-1][0] - created)
        if os.path.exists(cancel):
            os.unlink(cancel)
    return latencies


def wait_cost(service, seconds):
    """CPU time of a dial that the service connects only after the wait."""
    process = service.dial("Slow")
    start = time.monotonic()
    lines = timed_lines(process)
    end, usage = finish(process)
    service.hang_up("Slow")
    if lines[-1][1] != "Connected":
        sys.exit(f"unexpected slow dial report: {lines}")
    return end - start, usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("--wait", type=int, default=60)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    service = Service(os.path.abspath(args.bin), os.path.abspath(args.state))
    # Steps of different lengths put the connected state at different
    # moments of the run's one-second poll.
    for i in range(args.repeat):
        service.rassim("phonebook", "add", f"Quick{i}", "--states", "0,1,2,3,5,14,8192",
                       "--step-ms", str(100 + 170 * i // args.repeat))
    service.rassim("phonebook", "add", "Never", "--states", "0,1,2", "--step-ms", "100",
                   "--never-finish")
    service.rassim("phonebook", "add", "Slow", "--states", "2,8192", "--step-ms",
                   str(args.wait * 1000))

    nelvo_ms, true_ms = run_against_true(service, 200)
    connected, peak_kb = connected_latency(service, args.repeat)
    cancelled = cancel_latency(service, os.path.abspath(args.state), args.repeat)
    wall, cpu = wait_cost(service, args.wait)

    def spread(values):
        return (f"{min(values) * 1000:.0f} / {median_ms(values):.0f} / "
                f"{max(values) * 1000:.0f} ms")

    print("| Figure | Value |")
    print("|---|---|")
    print(f"| run stopping at the missing-entry block (median of 200) | {nelvo_ms:.2f} ms |")
    print(f"| /bin/true in the same loop (median of 200) | {true_ms:.2f} ms |")
    print(f"| ratio | {nelvo_ms / true_ms:.2f} |")
    print(f"| connected state to last line, min / median / max of {args.repeat} | "
          f"{spread(connected)} |")
    print(f"| cancel file to last line, min / median / max of {args.repeat} | "
          f"{spread(cancelled)} |")
    print(f"| CPU time of a {wall:.1f} s dial wait (user + system) | {cpu * 1000:.1f} ms "
          f"({100 * cpu / wall:.3f} % of one core) |")
    print(f"| peak memory of a dial run (max RSS) | {peak_kb / 1024:.1f} MiB |")


if __name__ == "__main__":
    main()
