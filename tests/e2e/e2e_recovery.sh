#!/bin/bash
# Kill -9 of the running program at several moments, then a restart that answers the recovery
# question Yes and saves: the saved file must hold every row the instrument gave, and the label,
# none twice. Self-contained: Xvfb, the simulator and the program in a folder of its own.
# usage: e2e_recovery.sh BUILD_DIR
set -u
BUILD=$(cd "${1:?build dir}" && pwd)
for t in Xvfb xdotool xwininfo; do
    command -v $t >/dev/null || { echo "SKIP: $t missing"; exit 0; }
done
if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
else
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
fi

TOP=$(mktemp -d /tmp/e2e_recovery.XXXXXX)
PIDS=()
cleanup() {
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "${E2E_KEEP:-}" ] && echo "kept $TOP" || rm -rf "$TOP"
}
trap cleanup EXIT

for n in $(seq 90 199); do
    [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { DNUM=$n; break; }
done
# -noreset: a server that resets when its last client goes refuses the restarted program.
Xvfb :$DNUM -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
PIDS+=($!)
export DISPLAY=:$DNUM
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

FAIL=0
say() { echo "[$CASE] $*"; }

# Waits until a visible window whose name matches $1 exists; prints its id.
win() {
    local id
    for i in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Starts the program, presses Continue in the choice window; the registration window id.
start_program() {
    (cd "$DIR" && exec ./reg01 >>"$DIR/reg01.out" 2>&1) &
    APP=$!
    PIDS+=($APP)
    local choice
    choice=$(win "reg.01") || return 1
    sleep 0.5
    # No window manager: the window's own origin plus the button's centre (64,152 75x25).
    eval "$(xwininfo -id "$choice" | awk '/Absolute upper-left X/{print "X="$4} /Absolute upper-left Y/{print "Y="$4}')"
    xdotool mousemove $((X + 101)) $((Y + 164)) click 1
}

key() { xdotool windowfocus --sync "$1" 2>/dev/null; sleep 0.2; xdotool key --clearmodifiers "${@:2}"; }

run_case() {
    CASE=$1
    DIR="$TOP/$CASE"
    mkdir -p "$DIR"
    cp "$BUILD/reg01" "$DIR/"
    "$BUILD/tools/sim/instrument-sim" --family tarvo --link "$DIR/tty" --log "$DIR/sim.log" \
        >"$DIR/sim.out" 2>"$DIR/sim.err" &
    SIM=$!
    PIDS+=($SIM)
    for i in $(seq 50); do [ -e "$DIR/tty" ] && break; sleep 0.1; done
    printf '[Config]\r\nCOM=%s\r\nFileName=%s\r\n' "$DIR/tty" "$DIR/r.txt" >"$DIR/Tarvo.Ini"

    start_program || { say "FAIL: no choice window"; FAIL=1; return; }
    local reg
    reg=$(win "\.txt") || { say "FAIL: no registration window"; FAIL=1; return; }
    sleep 0.5
    key "$reg" F5
    for i in $(seq 100); do grep -q ' 09$' "$DIR/sim.log" 2>/dev/null && break; sleep 0.1; done
    grep -q ' 09$' "$DIR/sim.log" || { say "FAIL: no result acknowledged"; FAIL=1; return; }
    sleep 0.3
    local label=""
    case $CASE in
    after-label|during-save)
        label=probe42
        # The result went into row 1; the open row is row 2, its label cell column 1.
        key "$reg" ctrl+Home Down
        xdotool type --delay 30 "$label"
        xdotool key Return
        sleep 0.5
        ;;
    esac
    [ "$CASE" = during-save ] && { key "$reg" ctrl+s; }
    kill -9 $APP
    wait $APP 2>/dev/null
    local sent
    sent=$(grep -c ' 06$' "$DIR/sim.log")

    start_program || { say "FAIL: no choice window after the crash"; FAIL=1; return; }
    sleep 1.5
    # The recovery question has the focus; its default answer is Yes.
    xdotool key Return
    reg=$(win "\.txt") || { say "FAIL: no registration window after the crash"; FAIL=1; return; }
    sleep 0.5
    key "$reg" ctrl+s
    sleep 1
    local rows dup=0
    rows=$(iconv -f cp1251 -t utf-8 "$DIR/r.txt" 2>/dev/null | awk -F'\t' '$2 != ""' | wc -l)
    dup=$(awk -F'\t' '$2 != ""' "$DIR/r.txt" 2>/dev/null | sort | uniq -d | wc -l)
    say "fetches sent $sent, acknowledged $(grep -c ' 09$' "$DIR/sim.log"), rows recovered $rows, duplicated $dup"
    local acked
    acked=$(grep -c ' 09$' "$DIR/sim.log")
    [ "$rows" -eq "$acked" ] && [ "$rows" -ge 1 ] && [ "$dup" -eq 0 ] || { say "FAIL: rows lost or doubled"; FAIL=1; }
    if [ -n "$label" ]; then
        grep -q "$label" "$DIR/r.txt" && say "label recovered" || { say "FAIL: label lost"; FAIL=1; }
    fi
    kill $APP $SIM 2>/dev/null
    wait $APP $SIM 2>/dev/null
}

for c in ${E2E_CASES:-after-result after-label during-save}; do run_case $c; done
[ $FAIL -eq 0 ] && echo "e2e_recovery: PASS" || echo "e2e_recovery: FAIL"
exit $FAIL
