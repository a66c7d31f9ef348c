#!/usr/bin/env bash
# The window opens where the settings file's "Window" section says, is closed with Ctrl+Q,
# and keeps where the operator moved it and how large it was made.
source "$(dirname "$0")/lib.sh"

e2e_start_x
e2e_prepare_program
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_TMP/ttyNONE" "FileName=$E2E_TMP/t.txt" \
    'DeviceNumber=0' '[Window]' 'Left=40' 'Top=50' 'Width=900' 'Height=600' 'Maximized=0'

e2e_start_program
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_pointer_away
read -r x y wd ht < <(e2e_geometry "$w")
e2e_check "the window opens where it was left" e2e_equal "$x $y" "40 50"
e2e_check "and as large as it was" e2e_equal "$wd $ht" "900 600"

xdotool windowmove "$w" 120 90 windowsize "$w" 960 640
e2e_wait 5 test "$(e2e_geometry "$w")" = "120 90 960 640" || true
e2e_key "$w" ctrl+q
e2e_check "Ctrl+Q closes the window and the program ends" e2e_wait_program_end 10
for line in 'Left=120' 'Top=90' 'Width=960' 'Height=640' 'Maximized=0' 'COM='"$E2E_TMP/ttyNONE"; do
    e2e_check "the settings keep $line" e2e_ini_has Tarvo.Ini "$line"
done
e2e_finish
