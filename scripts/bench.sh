#!/usr/bin/env bash
# Benchmarks, run by hand (not by CI): builds the host programs as Release in
# build/bench and nelvo.exe as Release in build/bench-windows, and prints the
# cost of each exported function and of the entry lookup against phone books
# of 10 to 1,000 entries, then the figures of whole runs, each beside its
# reference measured in the same loop: start-up against /bin/true and, under
# Wine, against a static hello-world EXE built here; peak memory of a dial
# run; CPU time of a dial wait; latencies.
#   scripts/bench.sh [dial wait in seconds, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

wait_seconds="${1:-60}"
build=build/bench
windows=build/bench-windows

# Optimised code warns where the Debug build does not: warnings stay warnings here.
cmake --preset host -B "$build" -DCMAKE_BUILD_TYPE=Release -DNELVO_WERROR=OFF >/dev/null
if ! cmake --build "$build" --target nelvo_bench nelvo rasapi32 rassim spawn_cost -j2 \
  >"$build.log" 2>&1; then
  tail -n 40 "$build.log"
  exit 1
fi
cmake --preset windows -B "$windows" -DNELVO_WERROR=OFF >/dev/null
if ! cmake --build "$windows" --target nelvo -j2 >"$windows.log" 2>&1; then
  tail -n 40 "$windows.log"
  exit 1
fi
# The floor of a Windows console program: C, static, one line of output.
i686-w64-mingw32-gcc-posix -O2 -static -s -o "$windows/bin/hello.exe" bench/hello.c

state=$(mktemp -d)
export WINEPREFIX=$PWD/$windows/wineprefix
cleanup() {
  cmake/wine-prefix.sh stop "$WINEPREFIX"
  rm -rf "$state"
}
trap cleanup EXIT
# One wineserver for all the Wine runs, as the Windows tests have it.
cmake/wine-prefix.sh start "$WINEPREFIX"

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
  "$(free -g | awk '/^Mem:/ {print $2}') GiB, $(uname -sr), $(wine --version)"
echo "Command: scripts/bench.sh $wait_seconds"
echo
"$build/bin/nelvo_bench" "$state/books" --benchmark_min_time=0.5
echo
python3 bench/process_figures.py --bin "$build/bin" --state "$state/runs" --wait "$wait_seconds" \
  --wine-exe "$windows/bin/nelvo.exe" --wine-hello "$windows/bin/hello.exe"
[ "$(id -u)" -ne 0 ] || { cmake --build "$build" --target nelvo_networkmanager -j2 >>"$build.log" 2>&1 && echo && /usr/bin/python3 bench/networkmanager_bench.py --bin "$build/bin/networkmanager"; }
