#!/usr/bin/env bash
# Builds the Windows program on this Debian machine, cross-compiled with MinGW-w64.
#   windows.sh qt     installs what is missing (MinGW, NSIS, Wine), fetches Debian's qt6-base and
#                     sqlite3 sources and builds Qt for Windows with the SQLite driver into
#                     $REG01_CACHE/qt-<version>-mingw64-<options>/ (once: a complete
#                     build there is reused; its stamp file is written after the install)
#   windows.sh libs   the libraries the program links beside Qt (libxlsxwriter, libpq), from
#                     Debian's sources, into $REG01_CACHE/libs-mingw64/, and Qt's PostgreSQL
#                     driver on that libpq (into the Qt folder, with a stamp of its own)
#   windows.sh build  both, then reg01.exe with its DLLs and plugins in build-windows/, and
#                     the installer reg01-<version>-win64.exe and the portable .zip beside it
#   windows.sh test   that with the suites kept for Windows, then the Wine tests: each suite,
#                     the exchange with the simulated instruments compared with the Linux
#                     build's results file, and the installer (tests/wine/)
#   windows.sh [all]  the same as build
# The builds run under nice -n 19 with JOBS (default 2) compiles at a time, so they take only
# the CPU that nothing else wants. Environment: REG01_CACHE (default ~/.cache/reg01),
# WINDOWS_BUILD_DIR (default build-windows/), BUILD_DIR (the Linux build the Wine tests take
# the simulator and the Linux program from; default build/), JOBS.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
case $what in
  qt | libs | build | test | all) ;;
  *) echo "usage: $0 [qt|libs|build|test|all] [targets...]" >&2; exit 2 ;;
esac
jobs=${JOBS:-2}
cache=${REG01_CACHE:-$HOME/.cache/reg01}
qt_version=6.4.2
toolchain=$top/cmake/mingw64-toolchain.cmake

# What Qt for Windows is built with. Everything not named here keeps Qt's default; OpenGL stays
# on (dynamic), the Windows platform plugin does not build without it. Debian's tarball has no
# wintab.h (tablet events off) and no bundled SQLite (the amalgamation comes from sqlite3).
qt_options=(
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_SHARED_LIBS=ON -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_icu=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_sql_odbc=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_ibase=OFF
  -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF
)
options_key=$(printf '%s\n' "${qt_options[@]}" | sha256sum | cut -c1-8)
qt_prefix=$cache/qt-$qt_version-mingw64-$options_key
stamp=$qt_prefix/.reg01-complete
work=$cache/work-$qt_version
log=$cache/qt-$qt_version-mingw64-$options_key.log

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  nsis wine64 wine
  cmake ninja-build qt6-base-dev qt6-base-dev-tools xz-utils tcl gcc make
)
install_packages() {
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# apt_private ARGS...: apt-get with a state folder of its own that lists only Debian's source
# packages; the machine's apt configuration and lists stay as they are.
apt_private() {
  local state=$work/apt
  apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/sources" \
    -o Dir::State::Lists="$state/lists" -o Dir::Cache="$state/cache" "$@"
}
fetch_sources() {
  local state=$work/apt
  mkdir -p "$state/sources" "$state/lists/partial" "$state/cache/archives/partial" "$work/src"
  if [ ! -f "$state/sources/debian-src.sources" ]; then
    # The machine's own Debian entries, as source entries.
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >"$state/sources/debian-src.sources.new"
    mv "$state/sources/debian-src.sources.new" "$state/sources/debian-src.sources"
  fi
  local wanted=() package pg_version
  for package in qt6-base sqlite3 libxlsxwriter postgresql-15; do
    ls "$work/src/${package}_"*.orig.tar.* >/dev/null 2>&1 || wanted+=("$package")
  done
  # libpq as the Linux build has it: the security suite may list a newer one than the mirror
  # still holds.
  pg_version=$(dpkg-query -W -f='${Version}' libpq5 2>/dev/null || true)
  if [ -n "$pg_version" ]; then
    wanted=("${wanted[@]/#postgresql-15/postgresql-15=$pg_version}")
  fi
  if [ ${#wanted[@]} -gt 0 ]; then
    apt_private -qq update
    (cd "$work/src" && apt_private -qq source --download-only "${wanted[@]}")
  fi
}

# unpack PACKAGE DIR: the package's upstream tarball, unpacked once into DIR.
unpack() {
  local package=$1 dir=$2
  [ -f "$dir/.unpacked" ] && return 0
  rm -rf "$dir" && mkdir -p "$dir"
  tar -xf "$(ls "$work/src/${package}_"*.orig.tar.* | grep -v -- '-www' | sort -V | tail -1)" \
    -C "$dir" --strip-components=1
  touch "$dir/.unpacked"
}

# The SQLite amalgamation (sqlite3.c, sqlite3.h), made from Debian's sqlite3 source with its
# own tools, where Qt's SQLite driver looks for its bundled copy.
make_amalgamation() {
  local qtsrc=$1 dest=$1/src/3rdparty/sqlite
  [ -f "$dest/sqlite3.c" ] && return 0
  local dir=$work/sqlite
  unpack sqlite3 "$dir"
  (cd "$dir" && ./configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
  mkdir -p "$dest"
  cp "$dir/sqlite3.c" "$dir/sqlite3.h" "$dest/"
}

build_qt() {
  if [ -f "$stamp" ]; then
    echo "Qt $qt_version for Windows: $qt_prefix (built before)"
    return 0
  fi
  fetch_sources
  local qtsrc=$work/qtbase-src qtbuild=$work/qtbase-build
  [ -f "$qtsrc/CMakeLists.txt" ] || rm -f "$qtsrc/.unpacked"
  unpack qt6-base "$qtsrc"
  make_amalgamation "$qtsrc"
  echo "Qt $qt_version for Windows: building into $qt_prefix (log $log)"
  local t0=$SECONDS
  if [ ! -f "$qtbuild/build.ninja" ]; then
    rm -rf "$qtbuild"
    nice -n 19 cmake -S "$qtsrc" -B "$qtbuild" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DREG01_WINDOWS_PREFIX="$qt_prefix" -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
      "${qt_options[@]}" >>"$log" 2>&1
    echo "configured in $((SECONDS - t0)) s" | tee -a "$log"
  fi
  local t1=$SECONDS
  nice -n 19 ninja -C "$qtbuild" -j"$jobs" >>"$log" 2>&1
  echo "built in $(((SECONDS - t1) / 60)) min" | tee -a "$log"
  nice -n 19 ninja -C "$qtbuild" install >>"$log" 2>&1
  date -u +%FT%TZ >"$stamp"
  printf '%s\n' "${qt_options[@]}" >>"$stamp"
}

# The libraries the program links beside Qt, cross-built from Debian's sources into a
# prefix of their own: libxlsxwriter (static, with MinGW's zlib) and PostgreSQL's libpq.
libs_prefix=$cache/libs-mingw64
libs_stamp=$libs_prefix/.reg01-complete
libs_log=$cache/libs-mingw64.log
build_libraries() {
  if [ -f "$libs_stamp" ]; then
    echo "Libraries for Windows: $libs_prefix (built before)"
    return 0
  fi
  fetch_sources
  echo "Libraries for Windows: building into $libs_prefix (log $libs_log)"
  local xlsx=$work/libxlsxwriter pg=$work/postgresql
  unpack libxlsxwriter "$xlsx"
  nice -n 19 cmake -S "$xlsx" -B "$xlsx/build-mingw64" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$libs_prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF \
    -DBUILD_EXAMPLES=OFF -DUSE_SYSTEM_MINIZIP=OFF >>"$libs_log" 2>&1
  nice -n 19 ninja -C "$xlsx/build-mingw64" -j"$jobs" install >>"$libs_log" 2>&1
  # libpq alone: the client library, its headers and the two pieces of src/port and src/common
  # it is linked from.
  unpack postgresql-15 "$pg"
  if [ ! -f "$pg/build-mingw64/config.status" ]; then
    mkdir -p "$pg/build-mingw64"
    (cd "$pg/build-mingw64" && nice -n 19 ../configure --host=x86_64-w64-mingw32 \
      CC=x86_64-w64-mingw32-gcc-posix --prefix="$libs_prefix" --without-readline \
      --without-zlib --without-icu --without-openssl --without-gssapi) >>"$libs_log" 2>&1
  fi
  (cd "$pg/build-mingw64" &&
    nice -n 19 make -j"$jobs" -C src/interfaces/libpq >>"$libs_log" 2>&1 &&
    make -C src/interfaces/libpq install >>"$libs_log" 2>&1 &&
    make -C src/include install >>"$libs_log" 2>&1)
  date -u +%FT%TZ >"$libs_stamp"
}

# Qt's PostgreSQL driver, built apart from Qt on the libpq above (Qt's sqldrivers folder is a
# project of its own), so that the Qt build does not depend on the libraries.
psql_stamp=$qt_prefix/.reg01-qsqlpsql
build_psql_driver() {
  if [ -f "$psql_stamp" ]; then
    echo "Qt's PostgreSQL driver for Windows: $qt_prefix/plugins/sqldrivers (built before)"
    return 0
  fi
  fetch_sources
  local qtsrc=$work/qtbase-src dir=$work/qsqlpsql-build
  unpack qt6-base "$qtsrc"
  echo "Qt's PostgreSQL driver for Windows: building (log $libs_log)"
  nice -n 19 cmake -S "$qtsrc/src/plugins/sqldrivers" -B "$dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DREG01_WINDOWS_PREFIX="$qt_prefix;$libs_prefix" \
    -DCMAKE_INSTALL_PREFIX="$qt_prefix" -DCMAKE_BUILD_TYPE=Release \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DFEATURE_sql_psql=ON -DFEATURE_sql_sqlite=OFF -DFEATURE_sql_odbc=OFF \
    -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF >>"$libs_log" 2>&1
  nice -n 19 ninja -C "$dir" -j"$jobs" install >>"$libs_log" 2>&1
  date -u +%FT%TZ >"$psql_stamp"
}

install_packages
mkdir -p "$cache"
case $what in
  qt) build_qt; exit 0 ;;
  libs)
    build_libraries
    # The driver is built on the Qt for Windows; without it, the next build makes it.
    if [ -f "$stamp" ]; then build_psql_driver; fi
    exit 0 ;;
esac
build_qt
build_libraries
# Without the driver the program still builds: it then says it has no server link.
build_psql_driver || echo "Qt's PostgreSQL driver did not build (see $libs_log): no server link"

# The program: reg01core, the widgets and reg01.exe, with everything it needs to start (Qt's
# and MinGW's DLLs, the plugins, qt.conf) beside it; then the installer and the zip.
build=${WINDOWS_BUILD_DIR:-$top/build-windows}
export PKG_CONFIG_LIBDIR=$libs_prefix/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=
# Compiles are cached as the Linux ones are (scripts/test.sh): a fresh clone reuses them.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$top} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
fi
nice -n 19 cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${launcher[@]}" \
  -DREG01_WINDOWS_PREFIX="$qt_prefix;$libs_prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
targets=(reg01core reg01 "${@:2}")
if [ "$what" = test ]; then
  # The suites tests/CMakeLists.txt keeps for Windows.
  mapfile -t suites < <(ninja -C "$build" -t targets all | sed -n 's/^\(tst_[a-z0-9]*\): phony$/\1/p')
  targets+=("${suites[@]}")
fi
nice -n 19 ninja -C "$build" -j"$jobs" "${targets[@]}"
(cd "$build" && nice -n 19 cpack -C RelWithDebInfo >"$build/cpack.log" 2>&1) ||
  { cat "$build/cpack.log"; exit 1; }
echo "Windows build: $build/reg01.exe"
ls -l "$build"/reg01-*-win64.exe "$build"/reg01-*-win64.zip
[ "$what" = test ] || exit 0

# The Wine tests: each in a throw-away prefix of its own, the summary at the end.
linux_build=${BUILD_DIR:-$top/build}
if [ ! -x "$linux_build/tools/sim/instrument-sim" ] || [ ! -x "$linux_build/reg01" ]; then
  BUILD_DIR=$linux_build JOBS=$jobs bash "$top/scripts/build.sh" reg01 instrument-sim
fi
failed=0
results=()
for script in "$top"/tests/wine/wine_*.sh; do
  name=$(basename "$script" .sh)
  rc=0
  t0=$SECONDS
  bash "$script" "$build" "$linux_build" "${suites[@]}" 2>&1 | tee "$build/$name.log" ||
    rc=${PIPESTATUS[0]}
  results+=("$([ $rc -eq 0 ] && echo ok || echo "FAILED ($rc)")  $name  $((SECONDS - t0)) s")
  # A failed check's line again, where the summary is all a short log keeps.
  [ $rc -eq 0 ] || results+=("$(grep -E ' (FAIL|FATAL) ' "$build/$name.log" | head -5 || true)")
  [ $rc -eq 0 ] || failed=1
done
printf '%s\n' "${results[@]}"
exit $failed
