#!/usr/bin/env bash
# Quality control in the first-family window: the settings name a control milk (fat 3.50 ±
# 0.03), the simulator puts that milk between the samples, every second result, drifting
# 0.04 % fat further off each time. Eight results come in eight sittings (each new window asks
# for a result at once), the controls labelled by "Контроль" (КМ-1 ... КМ-4); the fourth is
# 4 SD off, so the status bar turns red. The results file and the archive hold what was sent.
source "$(dirname "$0")/lib.sh"

command -v sqlite3 >/dev/null || e2e_skip "no sqlite3 client"
RESULTS=$E2E_TMP/Контроль.txt
DB=$E2E_PROG/reg01.sqlite
sql() { sqlite3 -readonly "$DB" "$1"; }

e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --control 20,3.5,8.6,1028.5,3.2 --control-every 2 --drift 0,0.04
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$RESULTS" 'DeviceNumber=0' \
    '[Control]' '1.Name=Контрольное молоко' '1.Lot=2611' '1.Prefix=КМ' '1.6=3.50;0.03' \
    '[Calibration]' 'Enabled=1'

# "Сервис": Нормы…, Статистика, Контроль, Действие по контролю…, a line, Калибровка…,
# Поправки в файл результатов, Карта Леви-Дженнингса…; Up from the top wraps to the last.
service() {
    e2e_click "$w" 153 8
    sleep 0.3
    xdotool key --delay 60 "$@" Return
}

# One sitting: the window opens the results file, the open row (row N) is labelled, a sample
# by typing, a control by "Контроль"; F5 fetches one result into it and stops again, Ctrl+S
# saves. Leaves the window in w.
sitting() {
    local n=$1 label=$2
    e2e_start_program
    e2e_choose 0
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
    e2e_pointer_away
    if [ "$label" = control ]; then
        service Up Up Up Up Up
    else
        e2e_click "$w" 68 $((96 + 24 * (n - 1)))
        e2e_type "$w" "$label"
        e2e_key "$w" Return
    fi
    e2e_key "$w" F5
    e2e_wait 10 e2e_frames_at_least T 9 "$n" || e2e_die "result $n was not fetched"
    e2e_key "$w" F5
    e2e_wait 5 e2e_looks_idle "$w" || e2e_die "polling did not stop after result $n"
    e2e_key "$w" ctrl+s
    sleep 0.5
}
end_sitting() {
    e2e_close "$w"
    e2e_wait_program_end 10 || e2e_die "the program did not end"
}

for n in 1 2 3 4 5 6 7 8; do
    if [ $((n % 2)) -eq 0 ]; then label=control; else label="Проба $(((n + 1) / 2))"; fi
    sitting "$n" "$label"
    [ "$n" -eq 8 ] || end_sitting
done

# The status bar's text is drawn in dark red only for trouble: look for such pixels there.
sleep 0.5
shot=$(e2e_shot control "$w")
read -r _ _ width height < <(e2e_geometry "$w")
red=$(/usr/bin/convert "$shot" -crop "${width}x22+0+$((height - 22))" +repage -fx \
    'r > 0.5 && g < 0.25 && b < 0.25 ? 1 : 0' -format '%[fx:int(mean*w*h)]' info:)
e2e_check "the status bar shows the rejection in red" test "$red" -gt 20

# The Levey-Jennings chart of the material's fat: the fourth control stands out, named.
service Up
lj=$(e2e_wait_window 'Карта Леви-Дженнингса' 10) || e2e_die "the Levey-Jennings chart did not open"
sleep 1
e2e_shot leveyjennings "$lj" >/dev/null
e2e_close "$lj"
e2e_check "the chart closes" e2e_wait_window_gone 'Карта Леви-Дженнингса' 5

# The operator's action releases the held results; the archive keeps who, when and what.
service Up Up Up Up
action=$(e2e_wait_window 'Действие по контролю' 10) || e2e_die "the action dialog did not open"
sleep 0.3
e2e_type "$action" "Прибор откалиброван, контроль повторён"
e2e_key "$action" Tab Return
e2e_check "the action dialog closes" e2e_wait_window_gone 'Действие по контролю' 5
e2e_check "the archive holds the rejection's evaluation" \
    e2e_equal "$(sql "SELECT verdict FROM qc_evaluations ORDER BY id DESC LIMIT 1")" rejection
e2e_check "the rejecting control was held" \
    test "$(sql 'SELECT count(DISTINCT result_uid) FROM qc_holds')" -ge 1
e2e_check "and the action is kept with its comment" \
    e2e_equal "$(sql 'SELECT comment FROM qc_actions')" "Прибор откалиброван, контроль повторён"

# Calibration of the fat from the first five results, their values by the reference method
# typed beside the instrument's.
e2e_click "$w" 68 96
xdotool keydown shift
e2e_click "$w" 68 192
xdotool keyup shift
service Up Up Up
cal=$(e2e_wait_window 'Калибровка по эталонным пробам' 10) || e2e_die "no calibration dialog"
sleep 0.3
e2e_key "$cal" Down Tab Right Right
for row in 1 2 3 4 5; do
    fat=$(e2e_field "$RESULTS" "$row" 6 | tr , .)
    e2e_type "$cal" "$(awk -v f="$fat" -v r="$row" \
        'BEGIN { printf "%.2f", f * 1.02 - 0.05 + (r % 3 - 1) * 0.01 }' | tr . ,)"
    e2e_key "$cal" Return Down
done
sleep 0.5
e2e_shot calibration "$cal" >/dev/null
e2e_key "$cal" Escape
e2e_check "the calibration dialog closes" e2e_wait_window_gone 'Калибровка по эталонным пробам' 5
end_sitting

e2e_check "eight results are archived" e2e_equal "$(sql 'SELECT count(*) FROM results')" 8
e2e_check "the controls read 3.50, 3.54, 3.58 and 3.62 % fat" \
    e2e_equal "$(sql "SELECT group_concat(printf('%.2f', v1), ' ') FROM
                      (SELECT v1 FROM results WHERE label LIKE 'КМ-%' ORDER BY at_ms)")" \
    "3.50 3.54 3.58 3.62"
e2e_check "eight results and the open row in the results file" \
    e2e_equal "$(e2e_line_count "$RESULTS")" 9
e2e_check "the fourth control is in the file with its fat" \
    e2e_equal "$(e2e_field "$RESULTS" 8 1,6)" "КМ-4	3,62"

if [ -n "${E2E_DOCS:-}" ]; then
    for shot in control leveyjennings calibration; do
        cp "$E2E_SHOTS/$shot.png" "$E2E_DOCS/$shot.png"
    done
fi
e2e_finish
