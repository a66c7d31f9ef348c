#!/usr/bin/env bash
# Milk reception in the first-family window: the settings turn reception on, the register
# holds three suppliers, and the simulator sends the same milk each time (fat 3.40, SNF 8.50,
# density 1028.00, protein 3.00). Three results come in three sittings, each labelled with a
# supplier's code before it is fetched and given its quantity after; the day's report is then
# saved as XLSX from "Сервис" → "Приёмка" → "Отчёты приёмки…" and its totals are read back by
# openpyxl. At the base fat of 3.4 the credited weight is the weight itself, paid at 34,50 a
# credited kilogram.
source "$(dirname "$0")/lib.sh"

command -v sqlite3 >/dev/null || e2e_skip "no sqlite3 client"
/usr/bin/python3 -c 'import openpyxl' 2>/dev/null || e2e_skip "no openpyxl"
RESULTS=$E2E_TMP/Приёмка.txt
DB=$E2E_PROG/reg01.sqlite
REPORT=$E2E_TMP/day.xlsx
sql() { sqlite3 "$DB" "$1"; }

e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --control 20,3.4,8.5,1028,3.0 --control-every 1
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$RESULTS" 'DeviceNumber=0' \
    '[Reception]' 'Enabled=1'

open_window() {
    e2e_start_program
    e2e_choose 0
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
    e2e_pointer_away
}
end_sitting() {
    e2e_close "$w"
    e2e_wait_program_end 10 || e2e_die "the program did not end"
}

# The first sitting makes the archive; the register is filled beside it.
open_window
e2e_wait 10 test -s "$DB" || e2e_die "no archive"
end_sitting
for code in 7 8 9; do
    sql "INSERT INTO suppliers (code, version, name, farm, route, milk_type, os_user, at_ms,
         at_iso) VALUES ('$code', 1, 'Хозяйство $code', '', '', '', 'e2e', 0,
         '1970-01-01T00:00:00')" || e2e_die "the register did not take supplier $code"
done
sql "INSERT INTO rate_tables (valid_from_ms, valid_from_iso, milk_type, kind, csv, note, os_user,
     at_ms, at_iso) VALUES (0, '1970-01-01T00:00:00', '', 'base price',
     'Цена за зачётный кг;34,50', '', 'e2e', 0, '1970-01-01T00:00:00')" \
    || e2e_die "the archive did not take the rate table"

# One sitting: the open row (row N) is labelled with the code, F5 fetches one result into it
# and stops again, then the quantity goes into the row's last column (End) and Ctrl+S saves.
sitting() {
    local n=$1 code=$2 quantity=$3 y=$((96 + 24 * ($1 - 1)))
    open_window
    e2e_click "$w" 68 "$y"
    e2e_type "$w" "$code"
    e2e_key "$w" Return
    e2e_key "$w" F5
    e2e_wait 10 e2e_frames_at_least T 9 "$n" || e2e_die "result $n was not fetched"
    e2e_key "$w" F5
    e2e_wait 5 e2e_looks_idle "$w" || e2e_die "polling did not stop after result $n"
    e2e_click "$w" 68 "$y"
    e2e_key "$w" End
    e2e_type "$w" "$quantity"
    e2e_key "$w" Return
    e2e_key "$w" ctrl+s
    sleep 0.5
}

sitting 1 7 100
end_sitting
sitting 2 8 50,5
end_sitting
sitting 3 9 200
e2e_shot reception "$w" >/dev/null

e2e_check "each delivery is kept with its result" \
    e2e_wait 5 test "$(sql 'SELECT count(*) FROM deliveries d JOIN records r
                            ON r.uid = d.result_uid')" = 3
e2e_check "the deliveries are worked out" e2e_equal "$(sql "SELECT group_concat(supplier_code || ':' || kilograms || ':' || credited, ' ')
                  FROM (SELECT * FROM deliveries ORDER BY id)")" \
    "7:100.00:100.00 8:50.50:50.50 9:200.00:200.00"
# The quantity stays beside the table: the results file's rows have their own columns only.
e2e_check "the results file holds no quantity" bash -c "! iconv -f CP1251 -t UTF-8 '$RESULTS' \
    | grep -q 'Количество'"

# "Сервис": "Приёмка" is its last item; its submenu holds "Реестр поставщиков…",
# "Загрузить тариф…" and "Отчёты приёмки…".
reception_menu() {
    e2e_click "$w" 153 8
    sleep 0.3
    xdotool key --delay 80 Up Right "$@" Return
}
reception_menu
r=$(e2e_wait_window 'Реестр поставщиков' 10) || e2e_die "the register did not open"
sleep 0.5
e2e_shot register "$r" >/dev/null
e2e_close "$r"
e2e_check "the register closes" e2e_wait_window_gone 'Реестр поставщиков' 5

# A file dialog's name field takes a whole path; the file is there when the dialog has gone.
save_as() {
    sleep 1.5
    xdotool key --delay 30 ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Return
}

reception_menu Up
d=$(e2e_wait_window 'Отчёты приёмки' 10) || e2e_die "the reports' dialog did not open"
sleep 0.5
# From the first field back over "Закрыть" to "Сохранить как XLSX…".
e2e_key "$d" shift+Tab shift+Tab space
save_as "$REPORT"
e2e_check "the day report is saved as XLSX" e2e_wait 10 test -s "$REPORT"
totals=$(/usr/bin/python3 - "$REPORT" <<'EOF'
import sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1], read_only=True).active
rows = [list(r) for r in sheet.iter_rows(values_only=True)]
titles = next(r for r in rows if "Сдач" in r)
total = [r for r in rows if "Итого" in r][-1]
def cell(title):
    v = total[titles.index(title)]
    return float(str(v).replace(",", ".").replace("\u00a0", "").replace(" ", ""))
print("%g %g %g %.2f" % (cell("Сдач"), cell("Масса, кг"), cell("Зачётная масса, кг"),
                        cell("Сумма, руб.")))
EOF
) || e2e_die "openpyxl could not read the report"
e2e_check "the report's totals read back" e2e_equal "$totals" "3 350.5 350.5 12092.25"
e2e_key "$d" shift+Tab space
save_as "$E2E_TMP/day.pdf"
e2e_check "the day report is saved as PDF" e2e_wait 10 test -s "$E2E_TMP/day.pdf"
e2e_close "$d"
e2e_wait_window_gone 'Отчёты приёмки' 5

# The statement of supplier 7 for the month: the second mode, its first supplier.
reception_menu Up
d=$(e2e_wait_window 'Отчёты приёмки' 10) || e2e_die "the reports' dialog did not open again"
sleep 0.5
e2e_key "$d" Down
sleep 0.3
e2e_key "$d" shift+Tab shift+Tab shift+Tab space
save_as "$E2E_TMP/statement.pdf"
e2e_check "the statement is saved as PDF" e2e_wait 10 test -s "$E2E_TMP/statement.pdf"
statement=$(pdftotext "$E2E_TMP/statement.pdf" -)
for words in 'Ведомость сдачи молока' 'Поставщик 7 — Хозяйство 7' 'Сдал' 'Принял' 'Итого'; do
    e2e_check "the statement says \"$words\"" grep -qF "$words" <<<"$statement"
done
e2e_close "$d"
for pdf in day statement; do
    pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$E2E_TMP/$pdf.pdf" "$E2E_SHOTS/$pdf-page"
done
if [ -n "${E2E_DOCS:-}" ]; then
    for shot in reception register day-page statement-page; do
        cp "$E2E_SHOTS/$shot.png" "$E2E_DOCS/$shot.png"
    done
fi

end_sitting
e2e_finish
