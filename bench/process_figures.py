"""Figures of whole runs of nelvo against the simulated service, printed as
a table, each beside its reference and its goal: a run that stops at the
missing-entry block against /bin/true (host) and against a static
hello-world EXE (nelvo.exe under Wine), the peak memory of a dial run,
the CPU time of a long dial wait, and the latency from the service
reaching the connected state, and from the cancel file appearing, to the
run's last line. Start-up, memory and CPU come from spawn_cost, which
starts the programs itself, one after the other in one loop.
    process_figures.py --bin BUILD/bin --state FOLDER [--wait SECONDS] [--repeat N]
                       [--wine-exe nelvo.exe --wine-hello hello.exe]"""
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

    def hang_up_reports_ok(self, entry):
        process = self.nelvo(f"/ENTRY:{entry}", "/HANGUP", stdout=subprocess.PIPE)
        lines = timed_lines(process)
        finish(process)
        return bool(lines) and lines[-1][1] == "OK"


def median_ms(values):
    return statistics.median(values) * 1000


def spawn_cost(service, repeat, *commands, env=None):
    """Runs the commands in turn, repeat rounds, through spawn_cost; returns
    (median wall ms, median CPU ms, peak KiB) of each."""
    argv = [os.path.join(service.bin, "spawn_cost"), str(repeat)]
    for command in commands:
        argv += list(command) + ["--"]
    done = subprocess.run(argv[:-1], env=env or service.env, check=True, capture_output=True,
                          text=True)
    return [tuple(float(word) for word in line.split()[:3]) for line in done.stdout.splitlines()]


def run_against_true(service, repeat):
    """Start-up cost: nelvo without options against /bin/true."""
    (nelvo, _, _), (true, _, _) = spawn_cost(service, repeat, [os.path.join(service.bin, "nelvo")],
                                             ["/bin/true"])
    return nelvo, true


def wine_against_hello(service, repeat, exe, hello):
    """The same under Wine, whose server the caller keeps running."""
    (nelvo, _, _), (floor, _, _) = spawn_cost(service, repeat, ["wine", exe], ["wine", hello],
                                              env=dict(service.env, WINEDEBUG="-all"))
    return nelvo, floor


def peak_memory(service, repeat):
    """Peak memory (KiB) of dial runs that connect, each hung up after,
    and of /bin/true."""
    peak = 0
    for i in range(repeat):
        (_, _, kib), = spawn_cost(service, 1, [os.path.join(service.bin, "nelvo"), f"/ENTRY:Quick{i}",
                                               "/USER:user", "/PASS:secret", "/PHONE:5550100"])
        service.hang_up(f"Quick{i}")
        peak = max(peak, kib)
    (_, _, true_kib), = spawn_cost(service, repeat, ["/bin/true"])
    return peak, true_kib


def connected_latency(service, repeat):
    """From the notifier's "Connection Successful" to the last line, "Connected"."""
    latencies = []
    for i in range(repeat):
        process = service.dial(f"Quick{i}")
        lines = timed_lines(process)
        finish(process)
        moments = {text: moment for moment, text in lines}
        if lines[-1][1] != "Connected" or "Connection Successful" not in moments:
            sys.exit(f"unexpected dial report: {lines}")
        latencies.append(lines[-1][0] - moments["Connection Successful"])
        service.hang_up(f"Quick{i}")
    return latencies


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
    """Wall and CPU time (ms) of a dial that the service connects only
    after the wait."""
    (wall, cpu, _), = spawn_cost(service, 1, [os.path.join(service.bin, "nelvo"), "/ENTRY:Slow",
                                              "/USER:user", "/PASS:secret", "/PHONE:5550100"])
    if not service.hang_up_reports_ok("Slow"):
        sys.exit("the slow dial did not connect")
    return wall, cpu


def row(figure, value, reference="", ratio="", goal=""):
    print(f"| {figure} | {value} | {reference} | {ratio} | {goal} |")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--state", required=True)
    parser.add_argument("--wait", type=int, default=60)
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--wine-exe", help="nelvo.exe, run under the wineserver already up")
    parser.add_argument("--wine-hello", help="the static hello-world EXE beside it")
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
    if args.wine_exe:
        wine_ms, hello_ms = wine_against_hello(service, 100, args.wine_exe, args.wine_hello)
    peak_kib, true_kib = peak_memory(service, args.repeat)
    connected = connected_latency(service, args.repeat)
    cancelled = cancel_latency(service, os.path.abspath(args.state), args.repeat)
    wall_ms, cpu_ms = wait_cost(service, args.wait)

    def spread(values):
        return (f"{min(values) * 1000:.0f} / {median_ms(values):.0f} / "
                f"{max(values) * 1000:.0f} ms")

    row("Figure", "Measured", "Reference", "Ratio", "Goal")
    print("|---|---|---|---|---|")
    row("host run stopping at the missing-entry block (median of 200)", f"{nelvo_ms:.2f} ms",
        f"/bin/true {true_ms:.2f} ms", f"{nelvo_ms / true_ms:.2f}", "at most 1.1")
    if args.wine_exe:
        row("nelvo.exe under Wine stopping there (median of 100)", f"{wine_ms:.1f} ms",
            f"static hello-world EXE {hello_ms:.1f} ms", f"{wine_ms / hello_ms:.2f}",
            "at most 1.1")
    row(f"peak memory of a dial run (max of {args.repeat})", f"{peak_kib / 1024:.2f} MiB",
        f"/bin/true {true_kib / 1024:.2f} MiB", "", "at most 2 MiB")
    row(f"CPU time of a {wall_ms / 1000:.1f} s dial wait (user + system)", f"{cpu_ms:.1f} ms",
        f"{100 * cpu_ms / wall_ms:.3f} % of one core", "", "at most 20 ms")
    row(f"connected state to last line, min / median / max of {args.repeat}", spread(connected))
    row(f"cancel file to last line, min / median / max of {args.repeat}", spread(cancelled))


if __name__ == "__main__":
    main()
