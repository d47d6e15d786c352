#!/usr/bin/env bash
# Builds everything and runs every test: the host build, the Windows build
# under Wine, the sanitizer builds, and a bounded fuzzing run. Exits
# non-zero when any fails.
#   scripts/test-all.sh [--quick]   (--quick: host and Windows only)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

presets=(host windows)
if [ "${1:-}" != "--quick" ]; then
  presets+=(host-asan host-tsan)
fi

failed=()
for preset in "${presets[@]}"; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset" -j2 || failed+=("$preset")
done

if [ "${1:-}" != "--quick" ]; then
  echo "=== fuzz"
  scripts/fuzz.sh 60 || failed+=(fuzz)
fi

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test runs passed."
