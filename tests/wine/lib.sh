# Helpers for the Wine runs of the Windows build: sourced by tests/wine/wine_*.sh, which
# scripts/windows.sh calls as `bash script WINDOWS_BUILD LINUX_BUILD [SUITES...]`. On top of
# tests/e2e/lib.sh (a display of its own, the Linux build's instrument simulator, the checks)
# each run gets a throw-away Wine prefix made in the Russian locale, inside the run's
# temporary folder; its Wine server is ended with the run.
WINE_BUILD=$(cd "${1:?usage: $0 WINDOWS_BUILD LINUX_BUILD [SUITES...]}" && pwd)
WINE_LINUX_BUILD=${2:?usage: $0 WINDOWS_BUILD LINUX_BUILD [SUITES...]}
WINE_SUITES=("${@:3}")
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh" "$WINE_LINUX_BUILD"

export WINEPREFIX=$E2E_TMP/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_cleanup() {
    local rc=$?
    wineserver -k >/dev/null 2>&1 || true
    (exit "$rc")
    e2e_cleanup
}
trap wine_cleanup EXIT

# Makes the prefix, with a Wine server that stays up between programs: the registry's
# HARDWARE key lives only as long as the server.
wine_boot() {
    command -v wine >/dev/null || e2e_die "wine is not installed"
    mkdir -p "$WINEPREFIX"
    wineserver -p >/dev/null 2>&1 || e2e_die "the Wine server did not start"
    "${E2E_RU[@]}" wineboot -i >"$E2E_TMP/wineboot.log" 2>&1 || e2e_die "wineboot failed"
}

# wine_port COM LINK: COM (COM5, ...) is the pseudo-terminal LINK, as a serial driver would
# list it in the registry key the port list reads.
wine_port() {
    local com=$1 link=$2 number=${1#COM}
    ln -sfn "$(readlink -f "$link")" "$WINEPREFIX/dosdevices/${com,,}"
    wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Serial$((number - 1))" \
        /t REG_SZ /d "$com" /f >>"$E2E_TMP/wineboot.log" 2>&1
}

# Z:\... for a path of this machine, as Windows programs see it under Wine.
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

# Starts a Windows program in the Russian locale; its process is the one the e2e helpers
# wait for and end.
wine_start() {
    local dir=$1 exe=$2
    (cd "$dir" && exec "${E2E_RU[@]}" wine "./$exe") >"$E2E_TMP/wine-program.out" 2>&1 &
    E2E_REG01_PID=$!
}
