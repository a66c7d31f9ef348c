#!/usr/bin/env bash
# The program as an installed one meets it: run by an unprivileged user (nobody, when the
# tests run as root) from a folder that user cannot write.
#   recovery: a result is taken, the program is killed with SIGKILL, and the next start gives
#             the result back from the journal in the user's state folder
#             ($HOME/.local/state/reg01/); nothing is written beside the program.
#   fifo:     the last results file is a FIFO: the choice window still shows within seconds,
#             and the registration window says why the file was not opened.
source "$(dirname "$0")/lib.sh"

command -v runuser >/dev/null || e2e_skip "runuser is not installed"
if [ "$(id -u)" -eq 0 ]; then
    id nobody >/dev/null 2>&1 || e2e_skip "running as root and there is no user nobody"
    RUN_USER=nobody
else
    RUN_USER=
fi
RUN_UID=$(id -u ${RUN_USER:-})

e2e_start_x
e2e_prepare_program
chmod 755 "$E2E_TMP"
home=$E2E_TMP/home
data=$E2E_TMP/data
run=$E2E_TMP/run
mkdir -p "$home" "$data" "$run" "$E2E_TMP/runtime"
chmod 700 "$E2E_TMP/runtime"
if [ -n "$RUN_USER" ]; then
    chown -R "$RUN_UID" "$home" "$data" "$run" "$E2E_TMP/runtime"
else
    chmod a-w "$E2E_PROG"
fi
# Whatever happens, the folder can be removed afterwards.
trap 'rc=$?; chmod u+w "$E2E_PROG" 2>/dev/null; (exit $rc); e2e_cleanup' EXIT

as_user() {
    if [ -n "$RUN_USER" ]; then runuser -u "$RUN_USER" -- "$@"; else "$@"; fi
}
e2e_check "the program folder is not writable for the user" \
    as_user bash -c "! test -w '$E2E_PROG'"

# Starts the program as the user with a clean environment (no XDG variables: the defaults
# below $HOME count). runuser stays the program's parent, so the program's own process id
# is written down by the shell that then becomes the program.
start_as_user() {
    rm -f "$run/pid"
    (cd "$E2E_PROG" && as_user env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$E2E_TMP/runtime" "${E2E_RU[@]:1}" \
        sh -c "echo \$\$ >'$run/pid'; exec ./reg01") >>"$E2E_TMP/reg01.out" 2>&1 &
    e2e_wait 10 test -s "$run/pid" || e2e_die "the program did not start"
    E2E_REG01_PID=$(cat "$run/pid")
}
program_gone() { ! kill -0 "$E2E_REG01_PID" 2>/dev/null; }
seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }

# --- recovery from the journal in the user's state folder --------------------------------
e2e_start_sim A tarvo
chmod 666 "$(readlink -f "$E2E_LINK")"
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$data/r.txt" 'DeviceNumber=0'
ls -lA --time-style=full-iso "$E2E_PROG" >"$E2E_TMP/prog-before"

start_as_user
e2e_check "the program runs as the unprivileged user" \
    e2e_equal "$(stat -c %u "/proc/$E2E_REG01_PID")" "$RUN_UID"
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*r\.txt\)') || e2e_die "the Tarvo window did not open"
sleep 0.5
e2e_check "no message besides the window" e2e_equal "$(e2e_windows | wc -l)" 1
e2e_key "$w" F5
e2e_wait 20 e2e_frames_at_least A 9 1 || e2e_die "no result was acknowledged"
sleep 0.3
e2e_shot polling "$w" >/dev/null
kill -9 "$E2E_REG01_PID"
e2e_wait 10 program_gone || e2e_die "the program did not end on SIGKILL"
acked=$(e2e_frames A 9)
e2e_check "the journal is in the user's state folder" \
    test -s "$home/.local/state/reg01/Tarvo.journal"
e2e_check "the settings are in the user's config folder" \
    test -f "$home/.config/reg01/Tarvo.Ini"

start_as_user
e2e_choose 0
if box=$(e2e_wait_window 'Восстановление данных' 10); then
    e2e_check "the recovery question is asked" true
    e2e_shot question >/dev/null
    e2e_key "$box" Return
    e2e_wait_window_gone 'Восстановление данных' 5 || true
else
    e2e_check "the recovery question is asked" false
fi
w=$(e2e_wait_window 'Регистрация\(.*r\.txt\)') || e2e_die "no window after the restart"
sleep 0.5
e2e_key "$w" ctrl+s
e2e_wait 10 test -s "$data/r.txt" || true
rows=$(e2e_file_text "$data/r.txt" 2>/dev/null | awk -F'\t' '$2 != ""' | wc -l)
e2e_log "acknowledged $acked, rows in the saved file $rows"
e2e_check "every acknowledged result came back" e2e_equal "$rows" "$acked"
e2e_close "$w"
e2e_wait 15 program_gone || e2e_die "the program did not end on closing"
ls -lA --time-style=full-iso "$E2E_PROG" >"$E2E_TMP/prog-after"
e2e_check "nothing was written beside the program" \
    cmp -s "$E2E_TMP/prog-before" "$E2E_TMP/prog-after"
e2e_stop_sim A

# --- a FIFO as the last results file ---------------------------------------------------
mkfifo "$data/fifo.txt"
chmod 666 "$data/fifo.txt"
rm -rf "$home/.config/reg01"
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_TMP/ttyNONE" "FileName=$data/fifo.txt"
started=$(date +%s.%N)
start_as_user
if e2e_wait_window "$E2E_CHOICE_TITLE" 20 >/dev/null; then
    e2e_log "seconds from the start to the choice window: $(seconds_since "$started")"
    e2e_choose 0
    box=$(e2e_wait_window 'Ошибка' 10) || e2e_die "no message about the FIFO"
    e2e_shot fifo >/dev/null
    e2e_key "$box" Return
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "no registration window"
    e2e_check "the table starts under the default name" \
        e2e_equal "$(xdotool getwindowname "$w")" 'Регистрация(Новый.txt)'
    e2e_close "$w"
    e2e_wait 15 program_gone || e2e_die "the program did not end on closing"
else
    e2e_check "the choice window shows within 20 s with a FIFO as the results file" false
    kill -9 "$E2E_REG01_PID" 2>/dev/null
fi
e2e_check "the FIFO is still a FIFO" test -p "$data/fifo.txt"
e2e_finish
