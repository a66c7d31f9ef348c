#!/usr/bin/env bash
# The window tests under the address and undefined-behaviour sanitizers: a window torn down
# with its editor open, the journal's keeper and the questions that may replace the table
# run real widgets, where a call into a half-destroyed window shows only as a sanitizer
# report. Shares the fuzzers' build folder (clang, ASan and UBSan), so the libraries are
# built once for both. Fails on any sanitizer report.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$top/build-fuzz}

if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing: run scripts/install-deps.sh first" >&2
  exit 2
fi
tests=(tst_form2 tst_recovery tst_latequestions)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DREG01_FUZZ=ON -DREG01_SANITIZE=address,undefined >/dev/null
ninja -C "$build" -j2 "${tests[@]}"

# Qt's and fontconfig's caches live until the process ends: leaks are not this pass's matter.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
failed=()
for t in "${tests[@]}"; do
  log=$build/sanitize-$t.log
  if "$build/tests/$t" >"$log" 2>&1 &&
    ! grep -q -E 'runtime error|ERROR: AddressSanitizer' "$log"; then
    echo "$t under ASan and UBSan: $(grep -m1 '^Totals' "$log")"
  else
    echo "$t under ASan and UBSan: FAILED; log: $log"
    grep -m 5 -E 'runtime error|ERROR:|FAIL!|SUMMARY' "$log" | sed 's/^/  /' || true
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "sanitizer reports in: ${failed[*]}" >&2
  exit 1
fi
