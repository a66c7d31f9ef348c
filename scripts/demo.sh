#!/usr/bin/env bash
# README command 1: installs what is missing, builds and starts the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"
exec "${BUILD_DIR:-$top/build}/reg01"
