#!/usr/bin/env bash
# The Windows program against the simulated instruments: Wine's COM5 is a pseudo-terminal
# with the simulator on its other end, listed in the registry key the port list reads. For
# Тарво and for Мирел-2 the real reg01.exe is chosen, polls, takes the instrument's result and
# saves its table; the Linux program does the same against the same reply, and the two
# results files must be the same bytes. The time of day is the one field that differs between
# the two runs: it is checked for its form and then set aside.
source "$(dirname "$0")/lib.sh"

TARVO=(4.25 3.61 8.52 28.4 3.2 0 1.23 4.71 0.72 12.35 -0.52 95)
MIREL=(3.45 3.12 1029.5 3.05 4.71 0.72 0 -0.53 18.25 12.4 2.61 6.68 4.41 0.25 7.5
       3.3 0.14 1.2 0.95 0.11 0.65 42.5 0.04 200 1.13 0.08 50)
WIN_PROG=$E2E_TMP/winprog

# A copy of the Windows program folder: reg01.exe, its DLLs, plugins, qt.conf, translations.
prepare_windows_program() {
    mkdir -p "$WIN_PROG"
    (cd "$WINE_BUILD" && cp -r reg01.exe ./*.dll qt.conf platforms styles sqldrivers \
        translations "$WIN_PROG/" 2>/dev/null) || true
    [ -f "$WIN_PROG/reg01.exe" ] || e2e_die "no program at $WINE_BUILD/reg01.exe"
}

# run_once SIDE NAME FAMILY ADDRESS INI ITEM VALUES: one program (SIDE linux or windows)
# chooses ITEM, polls once and saves; the results file is left at $E2E_TMP/NAME-SIDE.txt.
run_once() {
    local side=$1 name=$2 family=$3 address=$4 ini=$5 item=$6 values=$7
    local sim="$side-$name" results=$E2E_TMP/$name-$side.txt port dir
    e2e_start_sim "$sim" "$family" --address "$address" --group 7 --values "$values"
    if [ "$side" = linux ]; then
        port=$E2E_LINK dir=$E2E_PROG file=$results
    else
        wine_port COM5 "$E2E_LINK"
        port=COM5 dir=$WIN_PROG file=$(wine_path "$results")
    fi
    printf '%s\r\n' '[Config]' "COM=$port" "FileName=$file" "DeviceNumber=$address" >"$dir/$ini"
    if [ "$side" = linux ]; then e2e_start_program; else wine_start "$WIN_PROG" reg01.exe; fi
    local choice w
    choice=$(e2e_wait_window "$E2E_CHOICE_TITLE" 60) || e2e_die "$side: no choice window"
    # The first item is chosen when the window opens; arrow keys move the choice.
    [ "$item" -eq 0 ] || e2e_key "$choice" Down
    e2e_key "$choice" Return
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)' 30) || e2e_die "$side: no $name window"
    e2e_key "$w" F5
    e2e_check "$side, $name: the poll asks for the result and acknowledges it" \
        e2e_wait 30 e2e_frames_at_least "$sim" 9 1
    e2e_key "$w" ctrl+s
    e2e_check "$side, $name: Ctrl+S writes the results file" e2e_wait 15 test -s "$results"
    sleep 0.5
    e2e_shot "$name-$side" "$w" >/dev/null
    e2e_close "$w"
    e2e_check "$side, $name: the program ends when its window closes" e2e_wait_program_end 30
    e2e_stop_sim "$sim"
}

# The file with each line's time of day (the third field) replaced by a mark, after
# checking that it is one.
without_times() {
    LC_ALL=C awk -F'\t' 'BEGIN { OFS = "\t" }
        { if ($3 !~ /^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$/ && $3 != "") bad = 1; $3 = "T"; print }
        END { exit bad }' "$1"
}

same_bytes() {
    local linux=$1 windows=$2
    without_times "$linux" >"$linux.cmp" || { e2e_log "  a bad time in $linux"; return 1; }
    without_times "$windows" >"$windows.cmp" || { e2e_log "  a bad time in $windows"; return 1; }
    cmp "$linux.cmp" "$windows.cmp" && return 0
    e2e_log "  linux:";   od -c "$linux" | head -20
    e2e_log "  windows:"; od -c "$windows" | head -20
    return 1
}

e2e_start_x
e2e_prepare_program
prepare_windows_program
wine_boot

for model in tarvo:tarvo:12:Tarvo.Ini:0 mirel:mirel:300:Mirel2.Ini:1; do
    IFS=: read -r name family address ini item <<<"$model"
    if [ "$name" = tarvo ]; then values=$(IFS=,; echo "${TARVO[*]}"); else
        values=$(IFS=,; echo "${MIREL[*]}"); fi
    run_once linux "$name" "$family" "$address" "$ini" "$item" "$values"
    run_once windows "$name" "$family" "$address" "$ini" "$item" "$values"
    e2e_check "$name: the Windows program saves the bytes the Linux one saves" \
        same_bytes "$E2E_TMP/$name-linux.txt" "$E2E_TMP/$name-windows.txt"
done
if [ -n "${E2E_DOCS:-}" ]; then
    cp "$E2E_SHOTS/tarvo-windows.png" "$E2E_DOCS/windows-tarvo.png"
fi
e2e_finish
