#!/usr/bin/env bash
# Limits at work in the first-family window: the settings carry the demo's raw-milk limits,
# the table opened holds two good samples, and the instrument sends a skimmed, watered one.
# Its fat shows on blue, its added water on orange, its label cell carries both; the
# statistics under the table (copied with Ctrl+C) take the new result in; the limits dialog
# opens from "Сервис" and leaves the settings as they were when nothing was changed; the
# statistics bar, switched off, stays off; the results file holds exactly what was sent.
source "$(dirname "$0")/lib.sh"
source "$E2E_TOP/scripts/demo-limits.sh"

command -v xclip >/dev/null || e2e_skip "xclip is not installed"

# Fat 2.50 is below 2.8, added water 3.88 above 0; everything else within the limits.
VALUES=(22.5 2.5 8.52 1028.4 3.2 3.88 1.23 4.71 0.72 11.02 -0.53 95)
SHOWN=(22,50 2,50 8,52 1028,40 3,20 3,88 1,23 4,71 0,72 11,02 -0,53 95,00)
RESULTS=$E2E_TMP/Пробы.txt
OLD=(
    "Утро-1|05.03.2024|08:00:00|1|20,50|3,60|8,70|1028,20|3,10|0,00|1,20|4,70|0,70|12,30|-0,53|90,00"
    "Утро-2|05.03.2024|08:02:05|2|21,00|4,00|8,90|1028,60|3,30|0,00|1,30|4,80|0,70|12,90|-0,54|91,00"
)
OLD=("${OLD[@]//|/$'\t'}")

e2e_start_x
e2e_prepare_program
e2e_start_sim T tarvo --group 3 --values "$(IFS=,; echo "${VALUES[*]}")"
{
    printf '[Config]\r\nCOM=%s\r\nFileName=%s\r\nDeviceNumber=0\r\n' "$E2E_LINK" "$RESULTS"
    tarvo_limits
} >"$E2E_PROG/Tarvo.Ini"
{ printf '%s\r\n' "${OLD[@]}"; printf '\t%.0s' $(seq 15); printf '\r\n'; } \
    | iconv -f UTF-8 -t CP1251 >"$RESULTS"

# The statistics as Ctrl+C copies them; stat LINE TITLE prints one cell.
copy_stats() {
    local x y wd ht
    read -r x y wd ht < <(e2e_geometry "$w")
    e2e_click "$w" 20 $((ht - 40))
    e2e_pointer_away
    printf '' | xclip -selection clipboard
    e2e_key "$w" ctrl+c
    sleep 0.3
    STATS=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
}
stat() {
    printf '%s\n' "$STATS" | awk -F'\t' -v line="$1" -v title="$2" '
        NR == 1 { for (i = 2; i <= NF; i++) if ($i == title) col = i }
        $1 == line && col { print $col }'
}

# blue, orange or white: what a cell's background is, from a pixel clear of its text.
colour_at() {
    local rgb r g b
    rgb=$(e2e_pixel "$1" "$2" "$3")
    IFS=, read -r r g b <<<"$rgb"
    if [ "$r" -ge 250 ] && [ "$g" -ge 250 ] && [ "$b" -ge 250 ]; then echo white
    elif [ "$b" -gt $((r + 40)) ]; then echo blue
    elif [ "$r" -gt $((b + 60)) ]; then echo orange
    else echo "other($rgb)"
    fi
}

e2e_start_program
e2e_choose 0
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "the Tarvo window did not open"
e2e_pointer_away
copy_stats
e2e_check "the statistics count the two samples of the file" \
    e2e_equal "$(stat 'Число (все)' Жир)" 2
e2e_check "their mean fat" e2e_equal "$(stat 'Среднее' Жир)" "3,80"
e2e_check "none outside the limits yet" e2e_equal "$(stat 'Вне нормы' Жир)" 0

e2e_key "$w" F5
e2e_check "the result is fetched and acknowledged" e2e_wait 10 e2e_frames_at_least T 9 1
sleep 0.3
e2e_pointer_away
shot=$(e2e_shot coloured "$w")

# The width rule: columns 0 and 4 half a unit, the rest a unit each; rows 24 pixels.
read -r _ _ width _ < <(e2e_geometry "$w")
unit=$(((width - 6) / 16))
row3=144
e2e_check "the fat below its minimum is on blue" \
    e2e_equal "$(colour_at "$shot" $((6 * unit - 8)) $row3)" blue
e2e_check "the added water above its maximum is on orange" \
    e2e_equal "$(colour_at "$shot" $((10 * unit - 8)) $row3)" orange
e2e_check "a value within its limits stays plain" \
    e2e_equal "$(colour_at "$shot" $((9 * unit - 8)) $row3)" white
e2e_check "the label cell carries both marks: blue" \
    e2e_equal "$(colour_at "$shot" $((unit / 2 + unit / 4)) $row3)" blue
e2e_check "and orange" \
    e2e_equal "$(colour_at "$shot" $((unit / 2 + unit * 3 / 4 + 4)) $row3)" orange
e2e_check "the good samples' cells stay plain" \
    e2e_equal "$(colour_at "$shot" $((6 * unit - 8)) 120)" white

copy_stats
e2e_check "the statistics take the result in" e2e_equal "$(stat 'Число (все)' Жир)" 3
e2e_check "the new mean fat" e2e_equal "$(stat 'Среднее' Жир)" "3,37"
e2e_check "the new minimum" e2e_equal "$(stat 'Минимум' Жир)" "2,50"
e2e_check "one fat outside" e2e_equal "$(stat 'Вне нормы' Жир)" 1
e2e_check "one added water outside" e2e_equal "$(stat 'Вне нормы' Доб.вода)" 1

# A picture with the tooltip over the watered cell.
xdotool mousemove --window "$w" $((10 * unit - 20)) $row3
sleep 1.5
e2e_shot quality "$w" 30 >/dev/null
e2e_pointer_away

# "Сервис" stands after "О программе"; its first item opens the limits dialog.
ini_before=$(md5sum <"$E2E_PROG/Tarvo.Ini")
for answer in Escape Return; do
    e2e_click "$w" 153 8
    e2e_click "$w" 160 29
    e2e_pointer_away
    dialog=$(e2e_wait_window 'Нормы' 5) || e2e_die "the limits dialog did not open"
    sleep 0.3
    [ "$answer" = Escape ] && e2e_shot limits "$dialog" >/dev/null
    e2e_key "$dialog" "$answer"
    e2e_check "$answer closes the limits dialog" e2e_wait_window_gone 'Нормы' 5
    e2e_check "and the settings stay as they were" \
        e2e_equal "$(md5sum <"$E2E_PROG/Tarvo.Ini")" "$ini_before"
done

# The statistics switched off in the same menu; closing saves on Return (Yes).
e2e_click "$w" 153 8
e2e_click "$w" 160 51
e2e_pointer_away
e2e_close "$w"
prompt=$(e2e_wait_window 'Данные были изменены' 5) || e2e_die "closing did not ask"
e2e_key "$prompt" Return
e2e_check "the program ends" e2e_wait_program_end 10
e2e_check "the statistics stay off" e2e_ini_has Tarvo.Ini "Statistics=0"
e2e_check "the limits are kept as written" e2e_ini_has Tarvo.Ini "6=2.8;6.0"
e2e_check "lines of 15 TABs, each ending in CR LF" e2e_lines_well_formed "$RESULTS" 15
old_lines=$(e2e_file_text "$RESULTS" | sed -n 1,2p | tr -d '\r')
e2e_check "the samples of the file are kept as they were" \
    e2e_equal "$old_lines" "$(printf '%s\n' "${OLD[@]}")"
e2e_check "the new result holds the values sent" \
    e2e_equal "$(e2e_field "$RESULTS" 3 4-16)" "3	$(IFS=$'\t'; echo "${SHOWN[*]}")"
e2e_check "and the open row follows" e2e_equal "$(e2e_line_count "$RESULTS")" 4

if [ -n "${E2E_DOCS:-}" ]; then
    cp "$E2E_SHOTS/quality.png" "$E2E_DOCS/quality.png"
    cp "$E2E_SHOTS/limits.png" "$E2E_DOCS/limits.png"
fi
e2e_finish
