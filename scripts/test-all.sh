#!/usr/bin/env bash
# Builds everything and runs every test: the host build, its sanitizer
# builds, and the Windows build under Wine. Exits non-zero when any fails.
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

if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All test runs passed: ${presets[*]}"
