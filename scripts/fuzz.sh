#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan+UBSan) and runs
# each for a bounded time, starting from the kept corpus. Fails on any
# finding; the input that caused it is left in build/fuzz/artifacts/.
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
targets=(fuzz_command_line fuzz_run)
build=build/fuzz

cmake --preset fuzz >/dev/null
cmake --build "$build" --target "${targets[@]}" -j2

mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus="tests/fuzz/corpus/${target#fuzz_}"
  # New inputs go to a scratch folder; the kept corpus stays as it is.
  work="$build/corpus/$target"
  mkdir -p "$work"
  echo "=== $target for ${seconds}s"
  if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$work" "$corpus" >"$build/$target.log" 2>&1; then
    tail -n 60 "$build/$target.log"
    failed+=("$target")
  else
    grep -E '^(stat::number_of_executed_units|Done)' "$build/$target.log" || true
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
echo "Fuzzing found nothing: ${targets[*]}, ${seconds}s each"
