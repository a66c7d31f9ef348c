#!/usr/bin/env bash
# The first-family window driven as an operator would: the choice, a poll that brings the
# instrument's result, sample labels, Save, the save prompt on close, the settings left
# behind, the about window, and the saved table opened again at the next start.
source "$(dirname "$0")/lib.sh"

VALUES=(4.25 3.61 8.52 28.4 3.2 0 1.23 4.71 0.72 12.35 -0.52 95)
SHOWN=(4,25 3,61 8,52 28,40 3,20 0,00 1,23 4,71 0,72 12,35 -0,52 95,00)
RESULTS=$E2E_TMP/Тарво.txt

e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --address 12 --group 7 --values "$(IFS=,; echo "${VALUES[*]}")"
link=$E2E_LINK
e2e_write_ini Tarvo.Ini '[Config]' "COM=$link" "FileName=$RESULTS" 'DeviceNumber=12'

e2e_start_program
choice=$(e2e_wait_window "$E2E_CHOICE_TITLE" 20) || e2e_die "the choice window did not appear"
e2e_shot choice "$choice" >/dev/null
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_check "the choice window is gone" e2e_no_window "$E2E_CHOICE_TITLE"
e2e_check "the caption names the results file" \
    e2e_equal "$(xdotool getwindowname "$w")" "Регистрация($RESULTS)"
e2e_pointer_away
# The window's title comes before its first paint.
e2e_check "the poll button is green while idle" e2e_wait 5 e2e_looks_idle "$w" idle

# About window: from its menu, closed with Esc.
e2e_click "$w" 85 8
e2e_pointer_away
about=$(e2e_wait_window 'О программе') || e2e_die "the about window did not open"
sleep 0.3
e2e_shot about "$about" >/dev/null
e2e_key "$about" Escape
e2e_check "Esc closes the about window" e2e_wait_window_gone 'О программе' 5

t0=$(date +%s)
e2e_key "$w" F5
e2e_check "the first poll asks for the result and acknowledges it" \
    e2e_wait 10 e2e_frames_at_least T 9 1
t1=$(date +%s)
e2e_check "polling shows the red stop button" e2e_equal "$(e2e_poll_look "$w" polling)" polling

# Labels: one for the result's row, one typed ahead into the open row.
e2e_click "$w" 68 96
e2e_type "$w" "Проба №1 Ёж"
e2e_key "$w" Return
e2e_click "$w" 68 120
e2e_type "$w" "Образец-2"
e2e_key "$w" Return
e2e_pointer_away
e2e_shot tarvo "$w" >/dev/null
e2e_key "$w" ctrl+s
e2e_check "Ctrl+S writes the results file" e2e_wait 5 test -s "$RESULTS"
sleep 0.2

e2e_check "two lines of 15 TABs, each ending in CR LF" e2e_lines_well_formed "$RESULTS" 15
e2e_check "two lines: the result and the open row" e2e_equal "$(e2e_line_count "$RESULTS")" 2
e2e_check "the label is kept in Windows-1251" \
    e2e_equal "$(e2e_field "$RESULTS" 1 1)" "Проба №1 Ёж"
e2e_check "the label bytes are Windows-1251" \
    e2e_equal "$(head -c 11 "$RESULTS" | od -An -tx1 | tr -d ' \n')" "cff0eee1e020b93120a8e6"
e2e_check "the date is today's, dd.MM.yyyy" \
    e2e_equal "$(e2e_field "$RESULTS" 1 2)" "$(date -d "@$t1" +%d.%m.%Y)"
time_field=$(e2e_field "$RESULTS" 1 3)
e2e_check "the time is HH:mm:ss with no zone" e2e_matches "$time_field" '[0-2][0-9]:[0-5][0-9]:[0-5][0-9]'
e2e_check "the time is the time of the poll" \
    e2e_matches "$time_field" "$(for s in $(seq $((t0 - 1)) $((t1 + 1))); do
        printf '%s|' "$(date -d "@$s" +%T)"; done | sed 's/|$//')"
e2e_check "the group number as sent" e2e_equal "$(e2e_field "$RESULTS" 1 4)" 7
e2e_check "the twelve values with two decimals and a decimal comma" \
    e2e_equal "$(e2e_field "$RESULTS" 1 5-16)" "$(IFS=$'\t'; echo "${SHOWN[*]}")"
e2e_check "the open row holds only its label" \
    e2e_equal "$(e2e_file_text "$RESULTS" | sed -n 2p | tr -d '\r')" "Образец-2$(printf '\t%.0s' $(seq 15))"
e2e_check "no further result within the two-minute pacing" e2e_equal "$(e2e_frames T 6)" 1

# An edit after saving makes closing ask; Return takes the default answer, Yes.
saved=$(md5sum <"$RESULTS")
e2e_click "$w" 68 120
e2e_type "$w" "Образец-2б"
e2e_key "$w" Return
e2e_pointer_away
e2e_close "$w"
prompt=$(e2e_wait_window 'Данные были изменены' 5) || e2e_die "closing after an edit did not ask"
e2e_shot prompt >/dev/null
e2e_key "$prompt" Return
e2e_check "the program ends after the window closes" e2e_wait_program_end 10
e2e_check "it ends cleanly" e2e_equal "${E2E_REG01_RC:-none}" 0
e2e_check "Yes saved the table" bash -c '[ "$(md5sum <"$1")" != "$2" ]' _ "$RESULTS" "$saved"
e2e_check "the edited label was saved" \
    e2e_equal "$(e2e_field "$RESULTS" 2 1)" "Образец-2б"
e2e_check "the settings keep the port" e2e_ini_has Tarvo.Ini "COM=$link"
e2e_check "the settings keep the file" e2e_ini_has Tarvo.Ini "FileName=$RESULTS"
e2e_check "the settings keep the device number" e2e_ini_has Tarvo.Ini "DeviceNumber=12"

# Next start: the saved table comes back; closing without an edit asks nothing.
e2e_start_program
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open again"
before=$(md5sum <"$RESULTS")
e2e_key "$w" ctrl+s
sleep 0.5
e2e_check "the table opened at start saves back byte for byte" \
    e2e_equal "$(md5sum <"$RESULTS")" "$before"
e2e_close "$w"
e2e_check "closing without an edit asks nothing" e2e_wait_program_end 10

if [ -n "${E2E_DOCS:-}" ]; then
    cp "$E2E_SHOTS/choice.png" "$E2E_DOCS/choice.png"
    cp "$E2E_SHOTS/tarvo.png" "$E2E_DOCS/tarvo.png"
    cp "$E2E_SHOTS/about.png" "$E2E_DOCS/about.png"
fi
e2e_finish
