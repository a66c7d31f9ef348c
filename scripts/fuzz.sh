#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour sanitizers) into
# build-fuzz/ (or $FUZZ_BUILD_DIR) and runs each for SECONDS (default 20), starting from a
# copy of the committed corpus in fuzz/corpus/<target>/. Prints the executions per target;
# fails when any target finds a crash, a leak, a time-out or an out-of-memory input.
# Installs nothing: scripts/install-deps.sh brings clang and libclang-rt-14-dev.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${1:-20}
case $seconds in
  '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing: run scripts/install-deps.sh first" >&2
  exit 2
fi

BUILD_DIR=$build bash "$top/scripts/build.sh" -DCMAKE_CXX_COMPILER=clang++ -DREG01_FUZZ=ON \
  -DREG01_SANITIZE=address,undefined fuzz_all

targets=()
for src in "$top"/fuzz/fuzz_*.cpp; do
  name=$(basename "$src" .cpp)
  targets+=("${name#fuzz_}")
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

runs=$build/fuzz-runs
failed=()
for t in "${targets[@]}"; do
  work=$runs/$t
  rm -rf "$work"
  mkdir -p "$work/corpus"
  # The fuzzer adds what it finds to its first corpus folder: that is the copy.
  if [ -d "$top/fuzz/corpus/$t" ]; then
    cp -r "$top/fuzz/corpus/$t/." "$work/corpus/"
  fi
  rc=0
  "$build/fuzz/fuzz_$t" "$work/corpus" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=30 -print_final_stats=1 -artifact_prefix="$work/" >"$work/log" 2>&1 || rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
  found=$(find "$work" -maxdepth 1 -type f \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | sort)
  if [ "$rc" -ne 0 ] || [ -n "$found" ]; then
    echo "fuzz_$t: ${execs:-?} executions, FAILED (exit $rc); log: $work/log"
    for f in $found; do echo "  input: $f"; done
    grep -m 5 -E 'invariant broken|ERROR:|runtime error|SUMMARY' "$work/log" | sed 's/^/  /' || true
    failed+=("$t")
  else
    echo "fuzz_$t: ${execs:-?} executions, ok"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets, ${seconds} s each, nothing found"
