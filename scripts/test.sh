#!/usr/bin/env bash
# README command 2: installs what is missing, builds, runs every test. Then, each in a build
# folder of its own:
# - the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/),
# - the tests that drive a poller thread under ThreadSanitizer (build-tsan/),
# - every fuzz target for a short time (build-fuzz/, scripts/fuzz.sh),
# - the layout check against .clang-format (scripts/format-check.sh),
# - the Windows build and its Wine tests (scripts/windows.sh test, build-windows/; Qt for
#   Windows is built once into ~/.cache/reg01 and reused after).
# Every step runs even when an earlier one failed (a step that needs a failed build is
# skipped); the summary gives each step's result and minutes, and the command fails when
# any step did. Environment: BUILD_DIR, ASAN_BUILD_DIR, TSAN_BUILD_DIR, FUZZ_BUILD_DIR
# move the build folders; FUZZ_SECONDS (default 20) is each fuzz target's time;
# JOBS (default 2) the parallel compiles.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# Compiles are cached across build folders and clones: paths below the checkout are hashed
# relative to it, so a fresh clone reuses what an earlier one compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
build=${BUILD_DIR:-$top/build}
asan=${ASAN_BUILD_DIR:-$top/build-asan}
tsan=${TSAN_BUILD_DIR:-$top/build-tsan}
jobs=${JOBS:-2}

bash "$top/scripts/install-deps.sh" || exit 1

summary=()
failed=0
start_all=$SECONDS

# step NAME COMMAND...: runs the command, notes its result and its minutes.
step() {
  local name=$1
  shift
  local t0=$SECONDS rc=0
  echo "=== $name"
  "$@" || rc=$?
  local took
  took=$(awk -v s=$((SECONDS - t0)) 'BEGIN { printf "%.1f", s / 60 }')
  if [ "$rc" -eq 0 ]; then
    summary+=("ok      ${took} min  $name")
  else
    summary+=("FAILED  ${took} min  $name (exit $rc)")
    failed=1
  fi
  return "$rc"
}

skip() {
  summary+=("skipped          $1 (its build failed)")
  failed=1
}

# configure_and_build DIR TARGET [CMAKE ARGS...]: through scripts/build.sh, which configures.
configure_and_build() {
  local dir=$1 target=$2
  shift 2
  BUILD_DIR=$dir JOBS=$jobs bash "$top/scripts/build.sh" "$@" "$target"
}

run_ctest() {
  local dir=$1
  shift
  (cd "$dir" && ctest --output-on-failure "$@")
}

# 1. The program and every test: unit, end-to-end, soak.
if step "build" env BUILD_DIR="$build" JOBS="$jobs" bash "$top/scripts/build.sh"; then
  step "tests (ctest -j2: unit, e2e, soak)" run_ctest "$build" -j2
else
  skip "tests"
fi

# 2. Memory errors, leaks and undefined behaviour: a report fails the test that made it.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
if step "ASan+UBSan build (unit tests)" configure_and_build "$asan" unit_tests \
  -DREG01_SANITIZE=address,undefined; then
  step "ASan+UBSan: ctest -L unit" run_ctest "$asan" -L unit -j2
else
  skip "ASan+UBSan: ctest -L unit"
fi
unset ASAN_OPTIONS UBSAN_OPTIONS

# 3. Data races in the poller threads. Qt's own libraries are not built for the thread
# sanitizer, so it cannot see the lock Qt takes to hand a queued call to the UI thread; the
# reports that makes are suppressed in tests/tsan.supp, nothing else.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tests/tsan.supp"
if step "TSan build (poller tests)" configure_and_build "$tsan" thread_tests \
  -DREG01_SANITIZE=thread; then
  step "TSan: ctest -L threads" run_ctest "$tsan" -L threads -j2
else
  skip "TSan: ctest -L threads"
fi
unset TSAN_OPTIONS

# 4. Every fuzz target for a short fixed time under ASan and UBSan (its own build folder).
step "fuzzing" bash "$top/scripts/fuzz.sh" "${FUZZ_SECONDS:-20}"

# 5. The committed layout.
step "format check" bash "$top/scripts/format-check.sh"

# 6. The Windows program, cross-built, with its unit suites, the exchange with the simulator
# and the installer under Wine; the simulator and the Linux program come from step 1.
step "Windows build, Wine tests" env BUILD_DIR="$build" JOBS="$jobs" \
  bash "$top/scripts/windows.sh" test

echo
echo "=== summary ($(awk -v s=$((SECONDS - start_all)) 'BEGIN { printf "%.1f", s / 60 }') min)"
printf '%s\n' "${summary[@]}"
exit "$failed"
