#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR), JOBS (default 2) compiles at a time.
# The one place CMake is configured: scripts/test.sh, scripts/demo.sh and scripts/fuzz.sh
# build through it. Arguments that begin with "-" go to CMake (-DREG01_SANITIZE=thread), the
# others are the targets to build (reg01 instrument-sim); without targets it builds them all.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# Compiles are cached across build folders and clones: paths below the checkout are hashed
# relative to it, so a fresh clone reuses what an earlier one compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
build=${BUILD_DIR:-$top/build}
options=()
targets=()
for arg in "$@"; do
  case $arg in
    -*) options+=("$arg") ;;
    *) targets+=("$arg") ;;
  esac
done
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  "${options[@]}" >/dev/null
ninja -C "$build" -j"${JOBS:-2}" "${targets[@]}"
