#!/usr/bin/env bash
# Builds everything and runs every test: the host build, the Windows builds
# under Wine (the 32-bit product, and the same code built 64-bit, which runs
# on machines that start no 32-bit programs), the sanitizer builds, and a
# bounded fuzzing run. Ends with one line per build: passed or failed, and
# what was skipped and why. Exits non-zero when any fails.
#   scripts/test-all.sh [--quick]   (--quick: host and Windows only)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

presets=(host windows windows64)
if [ "${1:-}" != "--quick" ]; then
  presets+=(host-asan host-tsan)
fi

failed=()
summary=()
fuzz=""
# Fuzzing first, while the machine is fresh: its runs a minute are a
# figure to compare, and a machine that has built and tested for a quarter
# of an hour was seen to run them a fifth slower.
if [ "${1:-}" != "--quick" ]; then
  echo "=== fuzz"
  if scripts/fuzz.sh 60; then fuzz="fuzz: passed"; else fuzz="fuzz: failed"; failed+=(fuzz); fi
fi
for preset in "${presets[@]}"; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  results="$PWD/build/$preset/test-results.xml"
  passed=1
  # The 64-bit Windows build stands in for the product where 32-bit
  # programs cannot start. Where they can, the product's run has just done
  # the slow soaks and waits, and the stand-in runs the rest only.
  only=()
  note=""
  if [ "$preset" = windows64 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
    only=(-LE slow)
    note=" (its slow tests left to the 32-bit product's run)"
  fi
  # Three at a time on two cores: most of the long tests wait out a timeout
  # or a soak's real one-second waits with the processor idle.
  ctest --preset "$preset" -j3 "${only[@]}" --output-junit "$results" ||
    { passed=0; failed+=("$preset"); }
  summary+=("$(python3 scripts/test_summary.py "$preset" "$results" "$passed")$note")
done

echo "=== summary"
printf '%s\n' "${summary[@]}" ${fuzz:+"$fuzz"}
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test runs passed."
