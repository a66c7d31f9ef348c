#!/usr/bin/env bash
# Ctrl+P in both windows prints through a real CUPS server to a PDF queue, the default
# printer; the PDF's text holds the page header, the column titles and the rows.
source "$(dirname "$0")/lib.sh"

e2e_start_cups
e2e_start_x
e2e_prepare_program

# print_window ITEM NAME: polls one result, labels it, prints, leaves the PDF's text in
# $E2E_TMP/NAME.txt.
print_window() {
    local item=$1 name=$2 w pdf
    rm -f "$E2E_TMP"/pdf/*.pdf
    e2e_start_program
    e2e_choose "$item"
    w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the $name window did not open"
    e2e_key "$w" F5
    e2e_wait 10 e2e_frames_at_least "$name" 9 1 || e2e_die "$name: no result came"
    e2e_click "$w" 70 96
    # Short: a longer label runs into the date, which the page prints close beside it.
    e2e_type "$w" "Ё№$name"
    e2e_key "$w" Return
    e2e_key "$w" ctrl+p
    e2e_check "$name: the job ends as a PDF" e2e_wait 60 e2e_pdf_ready
    pdf=$(ls "$E2E_TMP"/pdf/*.pdf | head -1)
    e2e_check "$name: the printer made one page" \
        e2e_equal "$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')" 1
    e2e_check "$name: with text on it" e2e_matches "$(pdffonts "$pdf" | sed -n 3p)" '.+'
    local job
    job=$(e2e_last_job_document)
    e2e_check "$name: the job sent is a PDF of one page" \
        e2e_equal "$(pdfinfo "$job" 2>/dev/null | awk '/^Pages:/ {print $2}')" 1
    pdftotext -layout "$job" "$E2E_TMP/$name.txt"
    e2e_check "$name: the program still runs" e2e_program_running
    # The label was typed, so closing asks; No (the button after Yes) leaves the file alone.
    e2e_close "$w"
    local prompt
    prompt=$(e2e_wait_window 'Данные были изменены' 5) || e2e_die "$name: closing did not ask"
    e2e_key "$prompt" Tab space
    e2e_wait_program_end 10 || e2e_die "$name: the program did not end"
}

pdf_has() {
    if grep -qF -- "$2" "$E2E_TMP/$1.txt"; then return 0; fi
    e2e_log "  [$2] is not in the printed text:"; sed 's/^/    /' "$E2E_TMP/$1.txt" | head -20
    return 1
}
pdf_lacks() { ! grep -qF -- "$2" "$E2E_TMP/$1.txt"; }

# --- Tarvo ---------------------------------------------------------------------------
e2e_start_sim T tarvo --group 5 --values 4.25,3.61,8.52,28.4,3.2,0,1.23,4.71,0.72,12.35,-0.52,95
e2e_write_ini Tarvo.Ini '[Config]' "COM=$E2E_LINK" "FileName=$E2E_TMP/Тарво печать.txt" 'DeviceNumber=0'
print_window 0 T
e2e_check "Tarvo: the header names page 1 and the file" \
    e2e_matches "$(grep -m1 'Стр' "$E2E_TMP/T.txt" | sed 's/^ *//; s/ *$//')" 'Стр\. 1 +Тарво печать\.txt'
for t in "№ ст" Проба Дата Время "№ гр." Жир СОМО Плотность Белок Соли СМО; do
    e2e_check "Tarvo: title $t" pdf_has T "$t"
done
e2e_check "Tarvo: the sample label" pdf_has T "Ё№T"
e2e_check "Tarvo: the date" pdf_has T "$(date +%d.%m.%Y)"
for v in 4,25 3,61 8,52 28,40 12,35 -0,52; do e2e_check "Tarvo: value $v" pdf_has T "$v"; done
# Column 16, the degree of homogenisation, is not printed.
e2e_check "Tarvo: the last column is left out" pdf_lacks T "95,00"

# --- Mirel: only the shown columns -----------------------------------------------------
e2e_start_sim M mirel --group 4 --values 3.45,3.12,1029.5,3.05,4.71,0.72,0,-0.53,18.25,12.4,2.61,6.68,4.41,0.25,7.5
{
    printf '[Config]\nCOM=%s\nFileName=%s\nDeviceNumber=0\n[Columns]\n' "$E2E_LINK" "$E2E_TMP/Мирел.txt"
    e2e_mirel_columns
    printf '[View]\n'
    for c in $(seq 17 31); do printf '%d=0\n' "$c"; done
} | sed 's/$/\r/' >"$E2E_PROG/Mirel2.Ini"
print_window 1 M
e2e_check "Mirel: the header names page 1 and the file" \
    e2e_matches "$(grep -m1 'Стр' "$E2E_TMP/M.txt" | sed 's/^ *//; s/ *$//')" 'Стр\. 1 +Мирел\.txt'
for t in Проба Счёт Жир Плотность Т.замерзания pH; do e2e_check "Mirel: title $t" pdf_has M "$t"; done
e2e_check "Mirel: the sample label" pdf_has M "Ё№M"
for v in 3,45 1029,50 -0,53 6,68; do e2e_check "Mirel: value $v" pdf_has M "$v"; done
e2e_check "Mirel: a hidden column's title is not printed" pdf_lacks M "Мочевина"
e2e_check "Mirel: a hidden column's value is not printed" pdf_lacks M "4,41"
e2e_finish
