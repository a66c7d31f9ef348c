#!/usr/bin/env bash
# A port that cannot be opened, in both windows: the error box, and after OK the idle look
# with the number box usable again.
source "$(dirname "$0")/lib.sh"

e2e_start_x
e2e_prepare_program
missing=$E2E_TMP/ttyNONE
e2e_write_ini Tarvo.Ini '[Config]' "COM=$missing" "FileName=$E2E_TMP/t.txt" 'DeviceNumber=0'
e2e_write_ini Mirel2.Ini '[Config]' "COM=$missing" "FileName=$E2E_TMP/m.txt" 'DeviceNumber=0'

for item in 0 1; do
    name=$([ "$item" = 0 ] && echo Tarvo || echo Mirel)
    e2e_start_program
    e2e_choose "$item"
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the $name window did not open"
    e2e_pointer_away
    before=$(e2e_shot "$name-before" "$w")
    e2e_key "$w" F5
    box=$(e2e_wait_window 'Ошибка' 5) || e2e_die "$name: no error box for a missing port"
    sleep 0.2
    e2e_shot "$name-error" >/dev/null
    e2e_check "$name: the box is the only other window" e2e_equal "$(e2e_windows | wc -l)" 2
    e2e_key "$box" Return
    e2e_check "$name: OK closes the box" e2e_wait_window_gone 'Ошибка' 5
    after=$(e2e_shot "$name-after" "$w")
    e2e_check "$name: the poll button is green again" e2e_looks_idle "$w" "$name-idle"
    # The toolbar as before the attempt: the number box is enabled again (bright field).
    e2e_check "$name: the toolbar looks idle again" \
        e2e_equal "$(compare -metric AE -crop 300x41+0+17 "$before" "$after" null: 2>&1)" 0
    e2e_check "$name: the program still runs" e2e_program_running
    e2e_close "$w"
    e2e_check "$name: the window closes and the program ends" e2e_wait_program_end 10
done
e2e_finish
