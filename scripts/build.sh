#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR), JOBS (default 2) compiles at a time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# Compiles are cached across build folders and clones: paths below the checkout are hashed
# relative to it, so a fresh clone reuses what an earlier one compiled.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
build=${BUILD_DIR:-$top/build}
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" \
  >/dev/null
ninja -C "$build" -j"${JOBS:-2}"
