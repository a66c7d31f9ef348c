#!/usr/bin/env bash
# Installs the Debian 12 packages the program, its tests and its demo need; only the
# missing ones, so a second run costs nothing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins qt6-translations-l10n
  libqt6sql6 libqt6sql6-sqlite
  libgl-dev libxkbcommon-dev
  fonts-dejavu-core fonts-dejavu locales
  xvfb xdotool x11-utils xclip imagemagick python3 sqlite3
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  clang libclang-rt-14-dev
  dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian
  libudev-dev
  libxlsxwriter-dev unzip python3-openpyxl
  postgresql libqt6sql6-psql openssl libpq-dev
)
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
# The end-to-end tests and the demo run in the Russian locale; the export tests read their
# files back in the Russian and the American one.
for loc in ru_RU en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf8$"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO sed -i "s/^# *${loc}.UTF-8 UTF-8/${loc}.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^${loc}.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done
