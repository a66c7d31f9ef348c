#!/usr/bin/env bash
# Installs what is missing, builds into build/ (or $BUILD_DIR) and makes the Debian package
# there: reg01_<version>_<arch>.deb, whose path is the last line printed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
cd "$build"
# One package in the folder, so that `apt install ./build/reg01_*.deb` names just it.
rm -f reg01_*.deb
cpack -G DEB >cpack.log || { cat cpack.log >&2; exit 1; }
ls "$build"/reg01_*.deb
