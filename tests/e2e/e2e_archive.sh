#!/usr/bin/env bash
# The archive beside the results file, in the real program: a polled result and a typed label
# are in reg01.sqlite with the values, the raw reply and the label change; "Экспорт…" from the
# File menu writes a CSV a Russian spreadsheet opens.
source "$(dirname "$0")/lib.sh"

command -v sqlite3 >/dev/null || e2e_skip "no sqlite3 client"
VALUES=(4.25 3.61 8.52 28.4 3.2 0 1.23 4.71 0.72 12.35 -0.52 95)
RESULTS=$E2E_TMP/Архив.txt
DB=$E2E_PROG/reg01.sqlite
sql() { sqlite3 -readonly "$DB" "$1"; }

e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --address 12 --group 7 --values "$(IFS=,; echo "${VALUES[*]}")"
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$RESULTS" 'DeviceNumber=12'

e2e_start_program
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_pointer_away
e2e_key "$w" F5
e2e_check "the result is fetched and acknowledged" e2e_wait 10 e2e_frames_at_least T 9 1
e2e_key "$w" F5
e2e_click "$w" 68 96
e2e_type "$w" "=1+2;Ферма"
e2e_key "$w" Return
e2e_pointer_away
sleep 0.5

e2e_check "the archive file is beside the program" test -s "$DB"
e2e_check "one result is archived" e2e_equal "$(sql 'SELECT count(*) FROM results')" 1
e2e_check "it is the chosen instrument's" \
    e2e_equal "$(sql 'SELECT model FROM results')" "Тарво-2(2M)"
e2e_check "the values are numbers" \
    e2e_equal "$(sql 'SELECT round(v0, 2), round(v3, 2), round(v10, 2), round(v11, 2)
                      FROM results')" "4.25|28.4|-0.52|95.0"
e2e_check "the group and the device number" \
    e2e_equal "$(sql 'SELECT grp, device FROM results')" "7|12"
e2e_check "the raw reply is the 106 bytes the instrument sent" \
    e2e_equal "$(sql 'SELECT length(raw) FROM results')" 106
e2e_check "the raw reply ends in the instrument's address echo" \
    e2e_matches "$(sql 'SELECT hex(substr(raw, 103, 4)) FROM results')" '[0-9A-F]{8}'
e2e_check "the typed label is a label change of that result" \
    e2e_equal "$(sql 'SELECT c.old_text, c.new_text, c.result_id = r.id
                      FROM label_changes c, results r')" "|=1+2;Ферма|1"

# Export: the File menu's "Экспорт…" is the fifth item from the bottom, above "Выход".
csv=$E2E_TMP/экспорт.csv
e2e_click "$w" 20 8
sleep 0.3
xdotool key --delay 60 Up Up Up Up Up Return
dialog=$(e2e_wait_window 'Экспорт' 10) || e2e_die "the export dialog did not open"
sleep 0.5
xdotool key --delay 30 ctrl+a
xdotool type --delay 20 "$csv"
xdotool key Return
e2e_check "the CSV is written" e2e_wait 10 test -s "$csv"
e2e_check "it starts with the UTF-8 byte-order mark" \
    e2e_equal "$(head -c 3 "$csv" | od -An -tx1 | tr -d ' \n')" efbbbf
e2e_check "the label is text, never a formula" \
    e2e_matches "$(sed -n 2p "$csv")" "1;\"'=1\\+2;Ферма\";.*"
e2e_check "values carry the decimal comma" e2e_matches "$(sed -n 2p "$csv")" '.*;4,25;.*'

e2e_close "$w"
prompt=$(e2e_wait_window 'Данные были изменены' 5) || e2e_die "closing did not ask"
e2e_key "$prompt" Return
e2e_check "the program ends" e2e_wait_program_end 10
e2e_check "the save is a file event" \
    e2e_equal "$(sql "SELECT event, row_count FROM file_events ORDER BY id DESC LIMIT 1")" "save|1"
e2e_finish
