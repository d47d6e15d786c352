#!/usr/bin/env bash
# Benchmarks, run by hand (not by CI): builds the host programs as Release in
# build/bench and prints the cost of each exported function and of the entry
# lookup against phone books of 10 to 1,000 entries, then the figures of
# whole runs (against /bin/true, peak memory, dial wait CPU, latencies).
#   scripts/bench.sh [dial wait in seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

wait_seconds="${1:-60}"
build=build/bench

# Optimised code warns where the Debug build does not: warnings stay warnings here.
cmake --preset host -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
if ! cmake --build "$build" --target nelvo_bench nelvo rasapi32 rassim -j2 >"$build.log" 2>&1; then
  tail -n 40 "$build.log"
  exit 1
fi

state=$(mktemp -d)
trap 'rm -rf "$state"' EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
  "$(free -g | awk '/^Mem:/ {print $2}') GiB, $(uname -sr)"
echo "Command: scripts/bench.sh $wait_seconds"
echo
"$build/bin/nelvo_bench" "$state/books" --benchmark_min_time=0.5
echo
python3 bench/process_figures.py --bin "$build/bin" --state "$state/runs" --wait "$wait_seconds"
[ "$(id -u)" -ne 0 ] || { cmake --build "$build" --target nelvo_networkmanager -j2 >>"$build.log" 2>&1 && echo && /usr/bin/python3 bench/networkmanager_bench.py --bin "$build/bin/networkmanager"; }
