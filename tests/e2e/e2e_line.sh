#!/usr/bin/env bash
# The line, seen by an operator: the instrument's port vanishes in the middle of the result
# exchange and comes back at the same path; polling goes on with no key pressed, the status
# bar is red meanwhile, and the result lands in the table and in the saved file. Then the
# program is killed holding the port and started again: F5 polls the same instrument.
source "$(dirname "$0")/lib.sh"

VALUES=(4.25 3.61 8.52 28.4 3.2 0 1.23 4.71 0.72 12.35 -0.52 95)
SHOWN=(4,25 3,61 8,52 28,40 3,20 0,00 1,23 4,71 0,72 12,35 -0,52 95,00)
RESULTS=$E2E_TMP/Тарво.txt
LOST_RGB="#C62828"

# How many pixels of the window's status bar (its last 24 rows) have this colour.
status_pixels() {
    local shot
    shot=$(e2e_shot "$2" "$1")
    /usr/bin/convert "$shot" -gravity south -crop x24+0+0 +repage txt:- 2>/dev/null \
        | grep -ci "$3" || true
}

e2e_start_x
e2e_prepare_program
# The line drops instead of the answer to the first fetch, as a pulled adapter would.
e2e_start_sim T tarvo --group 7 --hang-up-at 1 --values "$(IFS=,; echo "${VALUES[*]}")"
link=$E2E_LINK
e2e_write_ini Tarvo.Ini '[Config]' "COM=$link" "FileName=$RESULTS" 'DeviceNumber=0'

e2e_start_program
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_pointer_away
e2e_key "$w" F5
e2e_check "the first fetch goes out" e2e_wait 10 e2e_frames_at_least T 6 1
e2e_check "and the instrument's port vanishes" e2e_wait 10 test ! -e "$link"
sleep 2.5
e2e_check "the program survives the lost line" e2e_program_running
e2e_check "the window stays polling" e2e_equal "$(e2e_poll_look "$w" lost)" polling
e2e_check "the status bar says the line is lost, in red" \
    test "$(status_pixels "$w" lost-status "$LOST_RGB")" -gt 50
e2e_check "no message box" e2e_equal "$(e2e_windows | wc -l)" 1

# The instrument is back at the same path, behind a new pseudo-terminal.
e2e_stop_sim T
back=$(date +%s%N)
e2e_start_sim T tarvo --group 7 --values "$(IFS=,; echo "${VALUES[*]}")"
e2e_check "polling goes on with no key pressed: the due result is asked for" \
    e2e_wait 10 e2e_frames_at_least T 6 2
e2e_log "from the line's return to the first request: $(( ($(date +%s%N) - back) / 1000000 )) ms"
e2e_check "the result is acknowledged" e2e_wait 10 e2e_frames_at_least T 9 1
e2e_check "the status bar is red no more" \
    e2e_wait 5 test "$(status_pixels "$w" back-status "$LOST_RGB")" -eq 0
e2e_key "$w" ctrl+s
e2e_check "Ctrl+S writes the results file" e2e_wait 5 test -s "$RESULTS"
sleep 0.2
e2e_check "the result and the open row" e2e_equal "$(e2e_line_count "$RESULTS")" 2
e2e_check "the result as the instrument sent it, once" \
    e2e_equal "$(e2e_field "$RESULTS" 1 4-16)" "7	$(IFS=$'\t'; echo "${SHOWN[*]}")"

# Killed while it holds the port: the next start opens it again.
kill -KILL "$E2E_REG01_PID"
wait "$E2E_REG01_PID" 2>/dev/null || true
E2E_REG01_PID=
e2e_start_program
e2e_choose 0
# The result saved above stands in the file; nothing waits to be recovered.
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "no window after the restart"
sleep 0.5
fetches=$(e2e_frames T 6)
e2e_key "$w" F5
e2e_check "after the kill F5 polls the same instrument" \
    e2e_wait 10 e2e_frames_at_least T 6 $((fetches + 1))
sleep 0.5
e2e_check "no error box" e2e_no_window 'Ошибка'
e2e_check "polling" e2e_equal "$(e2e_poll_look "$w" restarted)" polling
e2e_key "$w" F5
e2e_check "F5 stops it" e2e_wait 10 e2e_looks_idle "$w" stopped
e2e_key "$w" ctrl+s
e2e_close "$w"
e2e_check "the window closes and the program ends" e2e_wait_program_end 10
e2e_finish
