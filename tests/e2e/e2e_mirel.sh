#!/usr/bin/env bash
# The second-family window, reached by both "Мирел-2" and "Бестан-1(1М)": a poll brings the
# instrument's result, the View menu shows and hides values, labels and Save, the settings
# left behind; then the instrument's line drops in the middle of polling.
source "$(dirname "$0")/lib.sh"

VALUES=(3.45 3.12 1029.5 3.05 4.71 0.72 0 -0.53 18.25 12.4 2.61 6.68 4.41 0.25 7.5
        3.3 0.14 1.2 0.95 0.11 0.65 42.5 0.04 200 1.13 0.08 50)
SHOWN=(3,45 3,12 1029,50 3,05 4,71 0,72 0,00 -0,53 18,25 12,40 2,61 6,68 4,41 0,25 7,50
       3,30 0,14 1,20 0,95 0,11 0,65 42,50 0,04 200,00 1,13 0,08 50,00)
RESULTS=$E2E_TMP/Мирел.txt

# Mirel2.Ini as an operator's machine has it: titles, and the values after the twelfth hidden.
mirel_ini() {
    {
        printf '[Config]\nCOM=%s\nFileName=%s\nDeviceNumber=%s\n[Columns]\n' "$1" "$2" "$3"
        e2e_mirel_columns
        printf '[View]\n'
        for c in $(seq 17 31); do printf '%d=0\n' "$c"; done
    } | sed 's/$/\r/' >"$E2E_PROG/Mirel2.Ini"
}

e2e_start_x
e2e_prepare_program
e2e_start_sim M mirel --address 300 --group 3 --values "$(IFS=,; echo "${VALUES[*]}")"
mirel_ini "$E2E_LINK" "$RESULTS" 300

# --- "Мирел-2" -------------------------------------------------------------------------
e2e_start_program
e2e_choose 1
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Mirel window did not open"
e2e_check "the caption names the results file" \
    e2e_equal "$(xdotool getwindowname "$w")" "Регистрация($RESULTS)"
e2e_pointer_away
# The window's title comes before its first paint.
e2e_check "the poll button is green while idle" e2e_wait 5 e2e_looks_idle "$w" idle
t0=$(date +%s)
e2e_key "$w" F5
e2e_check "the first poll asks for the result and acknowledges it" \
    e2e_wait 10 e2e_frames_at_least M 9 1
t1=$(date +%s)
e2e_click "$w" 70 96
e2e_type "$w" "Ферма Ёлкино №3"
e2e_key "$w" Return

# The View menu: a picture with it open, then "Электропров." (column 17) shown by a click.
e2e_click "$w" 80 8
e2e_pointer_away
e2e_check "the View menu opens" e2e_wait 5 e2e_has_window reg01
sleep 0.3
e2e_shot mirel "$w" 90 >/dev/null
e2e_click "$w" 100 $((29 + 22 * 12))
e2e_pointer_away
e2e_check "a click on an item closes the menu" e2e_wait 5 e2e_no_window reg01

e2e_key "$w" ctrl+s
e2e_check "Ctrl+S writes the results file" e2e_wait 5 test -s "$RESULTS"
sleep 0.2
e2e_check "lines of 30 TABs, each ending in CR LF" e2e_lines_well_formed "$RESULTS" 30
e2e_check "two lines: the result and the open row" e2e_equal "$(e2e_line_count "$RESULTS")" 2
e2e_check "the label is kept in Windows-1251" \
    e2e_equal "$(e2e_field "$RESULTS" 1 1)" "Ферма Ёлкино №3"
e2e_check "the date is today's, dd.MM.yyyy" \
    e2e_equal "$(e2e_field "$RESULTS" 1 2)" "$(date -d "@$t1" +%d.%m.%Y)"
e2e_check "the time is the time of the poll, HH:mm:ss" \
    e2e_matches "$(e2e_field "$RESULTS" 1 3)" "$(for s in $(seq $((t0 - 1)) $((t1 + 1))); do
        printf '%s|' "$(date -d "@$s" +%T)"; done | sed 's/|$//')"
e2e_check "the count as sent" e2e_equal "$(e2e_field "$RESULTS" 1 4)" 3
e2e_check "all 27 values, hidden ones too, with two decimals and a decimal comma" \
    e2e_equal "$(e2e_field "$RESULTS" 1 5-31)" "$(IFS=$'\t'; echo "${SHOWN[*]}")"
e2e_check "the open row is empty" \
    e2e_equal "$(e2e_file_text "$RESULTS" | sed -n 2p | tr -d '\r')" "$(printf '\t%.0s' $(seq 30))"
e2e_check "no further result within the two-minute pacing" e2e_equal "$(e2e_frames M 6)" 1

# The instrument dies while the window waits quietly for the next result: nothing is sent
# until then, so the poll goes on; closing must still stop it at once.
e2e_stop_sim M KILL
sleep 1
e2e_check "the program survives the instrument's death" e2e_program_running
# Nothing is sent until the next result is due, so the drop is not seen yet.
e2e_log "look one second after the silent drop: $(e2e_poll_look "$w" silent-drop)"
e2e_close "$w"
e2e_check "saved: closing asks nothing and the program ends" e2e_wait_program_end 10
e2e_check "it ends cleanly" e2e_equal "${E2E_REG01_RC:-none}" 0
e2e_check "the settings keep the port" e2e_ini_has Mirel2.Ini "COM=$E2E_LINK"
e2e_check "the settings keep the file" e2e_ini_has Mirel2.Ini "FileName=$RESULTS"
e2e_check "the settings keep the device number" e2e_ini_has Mirel2.Ini "DeviceNumber=300"
e2e_check "the column shown from the menu is kept shown" e2e_ini_has Mirel2.Ini "17=1"
e2e_check "the other hidden columns stay hidden" e2e_ini_has Mirel2.Ini "18=0"
e2e_check "the shown columns stay shown" e2e_ini_has Mirel2.Ini "16=1"
e2e_check "the titles are kept" e2e_ini_has Mirel2.Ini "31=Объём"

# --- "Бестан-1(1М)": the same window; the line drops in the middle of an exchange ------
# The result is answered; instead of the answer to the acknowledgement the line drops.
e2e_start_sim B mirel --group 9 --hang-up-at 2 --values "$(IFS=,; echo "${VALUES[*]}")"
BESTAN=$E2E_TMP/Бестан.txt
mirel_ini "$E2E_LINK" "$BESTAN" 0
e2e_start_program
e2e_choose 2
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "Бестан-1(1М) opened no window"
e2e_check "Бестан-1(1М) opens the window of the Mirel settings" \
    e2e_equal "$(xdotool getwindowname "$w")" "Регистрация($BESTAN)"
e2e_key "$w" F5
e2e_check "the first poll brings a result, then the acknowledgement" \
    e2e_wait 10 e2e_frames_at_least B 9 1
# The line stays gone: the window keeps polling, trying the port again, until F5 stops it.
sleep 3
e2e_check "a dropped line keeps polling: the port is tried again" e2e_equal \
    "$(e2e_poll_look "$w" hangup-polling)" polling
e2e_key "$w" F5
e2e_check "F5 ends the retries: the idle look is back" \
    e2e_wait 10 e2e_looks_idle "$w" hangup
e2e_check "the program survives the dropped line" e2e_program_running
e2e_check "no message box is left open" e2e_equal "$(e2e_windows | wc -l)" 1
# A result not yet saved is guarded by the prompt; Esc (Cancel) keeps the window open.
ini_before=$(md5sum <"$E2E_PROG/Mirel2.Ini")
e2e_close "$w"
prompt=$(e2e_wait_window 'Данные были изменены' 5) \
    || e2e_die "closing with an unsaved result did not ask"
e2e_key "$prompt" Escape
e2e_check "Cancel keeps the window open" e2e_wait_window_gone 'Данные были изменены' 5
e2e_check "the program still runs after Cancel" e2e_program_running
e2e_check "nothing was written on Cancel" test ! -e "$BESTAN"
e2e_check "no settings were written on Cancel" \
    e2e_equal "$(md5sum <"$E2E_PROG/Mirel2.Ini")" "$ini_before"
e2e_key "$w" ctrl+s
e2e_check "Ctrl+S after the drop writes the file" e2e_wait 5 test -s "$BESTAN"
sleep 0.2
e2e_check "the Mirel layout: 30 TABs a line" e2e_lines_well_formed "$BESTAN" 30
e2e_check "the row received before the drop is kept" \
    e2e_equal "$(e2e_field "$BESTAN" 1 4-31)" "9	$(IFS=$'\t'; echo "${SHOWN[*]}")"
e2e_check "and the open row after it" e2e_equal "$(e2e_line_count "$BESTAN")" 2
e2e_close "$w"
e2e_check "the window closes and the program ends" e2e_wait_program_end 10
e2e_check "it ends cleanly" e2e_equal "${E2E_REG01_RC:-none}" 0

if [ -n "${E2E_DOCS:-}" ]; then
    cp "$E2E_SHOTS/mirel.png" "$E2E_DOCS/mirel.png"
fi
e2e_finish
