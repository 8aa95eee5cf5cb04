#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each one for a bounded time, starting
# from its seed corpus in fuzz/corpus/<target>/. The inputs that a run finds
# go to a scratch folder, not into the repository.
#
#   FUZZ_SECONDS    seconds per target (default 60; four targets)
#   FUZZ_BUILD_DIR  build folder (default build-fuzz)
#   FUZZ_JOBS       parallel compile jobs (default: the number of cores)
#
# A failing input is kept as <build>/fuzz-artifacts/<target>-crash-...;
# run the target on that file to reproduce it.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
jobs=${FUZZ_JOBS:-$(nproc)}

# The longest input worth trying for each target.
declare -A max_len=(
  [command_line]=4096
  [identity]=2048
  [record_file]=1600
  [http_reply]=24000
)
targets=(command_line identity record_file http_reply)

CC=clang CXX=clang++ cmake -S "$top" -B "$build" -DZQ_FUZZ=ON -DZQ_WITH_QT=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/%/_fuzzer}"

artifacts=$build/fuzz-artifacts
mkdir -p "$artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  work=$(mktemp -d)
  echo "== fuzzing $target for ${seconds}s"
  # The targets change into scratch folders of their own, so every path
  # given to them is absolute.
  if "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len="${max_len[$target]}" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work" "$top/fuzz/corpus/$target" \
    >"$work.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done' "$work.log" || true
  else
    echo "!! $target failed; its output:"
    tail -n 60 "$work.log"
    failed+=("$target")
  fi
  rm -rf "$work" "$work.log"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzz targets failed: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "All fuzz targets ran ${seconds}s each without a finding."
