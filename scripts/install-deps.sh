#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing; a second run costs nothing.
#   install-deps.sh run   what building and running the program, the simulator and the demo
#                         need (scripts/demo.sh)
#   install-deps.sh [all] that and what the tests need besides: PostgreSQL, the print server,
#                         clang and its fuzzer, the packaging checks (scripts/test.sh)
set -euo pipefail
set_name=${1:-all}
case $set_name in
  run | all) ;;
  *) echo "usage: $0 [run|all]" >&2; exit 2 ;;
esac

# The build, the program's libraries and drivers, and the demo's virtual display.
run_packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins qt6-translations-l10n
  libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql
  libgl-dev libxkbcommon-dev
  libudev-dev libxlsxwriter-dev libpq-dev
  # Qt Charts' CMake files ask for Qt OpenGL's, which qt6-charts-dev does not bring along.
  qt6-charts-dev libqt6opengl6-dev
  fonts-dejavu-core fonts-dejavu locales
  xvfb xdotool x11-utils imagemagick python3
)
# The tests: end-to-end runs, printing, exports read back, the archive server, sanitizers and
# fuzzing, the package checks and the layout check.
test_packages=(
  xclip sqlite3
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  clang libclang-rt-14-dev clang-format
  dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian
  unzip python3-openpyxl
  postgresql openssl
)
packages=("${run_packages[@]}")
locales=(ru_RU)
if [ "$set_name" = all ]; then
  packages+=("${test_packages[@]}")
  # The export tests read their files back in the Russian and the American locale.
  locales+=(en_US)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The demo and the end-to-end tests run in the Russian locale.
for loc in "${locales[@]}"; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf8$"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done
