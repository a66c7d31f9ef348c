#!/usr/bin/env bash
# README command 2: installs what is missing, builds, runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
cd "${BUILD_DIR:-$top/build}"
ctest --output-on-failure -j2
# Every fuzz target for a short fixed time under ASan and UBSan, then the window tests that
# tear windows down under the same sanitizers (the same build folder).
bash "$top/scripts/fuzz.sh" "${FUZZ_SECONDS:-20}"
bash "$top/scripts/sanitize.sh"
