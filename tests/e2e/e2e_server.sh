#!/usr/bin/env bash
# The archive's copy on a PostgreSQL server, in the real program: with "Archive"/"Server" in the
# settings file pointing at a cluster of the run's own (the password in a password file, never
# in the settings), a polled result is on the server within a few seconds with its values and
# raw reply, and a typed label follows as a label change of that result.
source "$(dirname "$0")/lib.sh"
source "$E2E_HERE/pg.sh"

VALUES=(4.25 3.61 8.52 28.4 3.2 0 1.23 4.71 0.72 12.35 -0.52 95)
RESULTS=$E2E_TMP/Сервер.txt
server() { e2e_pg_sql "$1" 2>/dev/null; }
results_on_server() { [ "$(server "SELECT count(*) FROM reg01_records WHERE kind = 'result'")" \
                        = "$1" ]; }
schema_made() { [ "$(server 'SELECT version FROM reg01_schema')" = 5 ]; }
labels_on_server() { [ "$(server "SELECT count(*) FROM reg01_records WHERE kind = 'label'")" \
                       = "$1" ]; }

e2e_pg_start
e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --address 12 --group 7 --values "$(IFS=,; echo "${VALUES[*]}")"
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$RESULTS" 'DeviceNumber=12' \
    '[Archive]' "Server=$(e2e_pg_conninfo)"

e2e_start_program PGPASSFILE="$E2E_PG_PASSFILE"
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_pointer_away
e2e_check "the program makes its tables on the server" e2e_wait 10 schema_made
e2e_key "$w" F5
e2e_check "the result is fetched and acknowledged" e2e_wait 10 e2e_frames_at_least T 9 1
start=$SECONDS
e2e_check "the result is on the server within a few seconds" e2e_wait 5 results_on_server 1
e2e_log "  on the server after $((SECONDS - start)) s"
e2e_check "it is the chosen instrument's, with its group and device number" \
    e2e_equal "$(server "SELECT model, grp, device, port <> '' FROM reg01_records
                         WHERE kind = 'result'")" "Тарво-2(2M)|7|12|t"
e2e_check "the values are numbers" \
    e2e_equal "$(server "SELECT round(v0::numeric, 2), round(v3::numeric, 2),
                                round(v10::numeric, 2), round(v11::numeric, 2)
                         FROM reg01_records WHERE kind = 'result'")" "4.25|28.40|-0.52|95.00"
e2e_check "the raw reply is the 106 bytes the instrument sent" \
    e2e_equal "$(server "SELECT length(raw) FROM reg01_records WHERE kind = 'result'")" 106
e2e_check "it is the station's own record, numbered from one" \
    e2e_equal "$(server "SELECT station = '$(hostname)', seq FROM reg01_records
                         WHERE kind = 'result'")" "t|1"

e2e_key "$w" F5
e2e_click "$w" 68 96
e2e_type "$w" "Ферма №2"
e2e_key "$w" Return
e2e_pointer_away
e2e_check "the typed label reaches the server" e2e_wait 5 labels_on_server 1
e2e_check "as a label change of that result" \
    e2e_equal "$(server "SELECT l.old_text, l.new_text, l.folded, l.result_seq = r.seq
                         FROM reg01_records l, reg01_records r
                         WHERE l.kind = 'label' AND r.kind = 'result'")" "|Ферма №2|ферма №2|t"
e2e_check "the manager's view names the values and holds the label as it stands" \
    e2e_equal "$(server "SELECT label, fat, density, freezing_point, fat_ok IS NULL
                         FROM reg01_tarvo_results")" "Ферма №2|3.61|28.40|-0.52|t"

e2e_close "$w"
prompt=$(e2e_wait_window 'Данные были изменены' 5) || e2e_die "closing did not ask"
e2e_key "$prompt" Return
e2e_check "the program ends" e2e_wait_program_end 10
e2e_check "the settings keep the server" e2e_ini_has Tarvo.Ini "Server=$(e2e_pg_conninfo)"
e2e_check "no password in the settings" bash -c "! grep -qi password '$E2E_PROG/Tarvo.Ini'"
e2e_check "no password in the program's output" \
    bash -c "! grep -q '$(cut -d: -f5 "$E2E_PG_PASSFILE")' '$E2E_TMP/reg01.out'"
e2e_finish
