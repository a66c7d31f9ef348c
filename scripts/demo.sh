#!/usr/bin/env bash
# README command 1: installs what is missing, builds the program and the instrument simulator,
# starts one simulated instrument per family on a pseudo-terminal and starts the program from a
# demo program folder whose settings point both registration windows at those simulators.
# Without a display it plays a short session on a virtual one (choose Тарво, F5, one result, a
# label, save) and says where the screenshot and the results file are.
#   --fresh   forget the demo's settings and results first
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
fresh=0
for arg in "$@"; do
  case $arg in
    --fresh) fresh=1 ;;
    -h | --help) sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: $0 [--fresh]" >&2; exit 2 ;;
  esac
done

# What the demo builds and runs; the test tools come with scripts/test.sh.
bash "$top/scripts/install-deps.sh" run
# Only what the demo runs, on every core the machine has.
BUILD_DIR=$build JOBS=${JOBS:-$(nproc)} bash "$top/scripts/build.sh" reg01 instrument-sim

demo=$build/demo
if [ "$fresh" = 1 ]; then
  rm -f "$demo"/*.Ini "$demo"/*.journal "$demo"/*.txt "$demo"/*.sqlite*
  echo "Demo settings and results reset."
fi
mkdir -p "$demo"
# The program keeps its settings beside itself: run a copy that lives in the demo folder.
cp -f "$build/reg01" "$demo/reg01"
sim=$build/tools/sim/instrument-sim

# The program speaks Russian and formats dates and decimals as the Russian locale does.
case "${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}" in
  ru_RU*) ;;
  *)
    echo "Your locale is ${LC_ALL:-${LANG:-C}}: the demo runs in ru_RU.UTF-8, the program's own."
    export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 LANGUAGE=ru
    ;;
esac

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

# Every second sample is milk a dairy turns away, so the limits below have something to show.
"$sim" --family tarvo --odd-every 2 --link "$demo/ttyTARVO" \
  > "$demo/sim-tarvo.txt" 2> "$demo/sim-tarvo.log" &
pids+=($!)
"$sim" --family mirel --odd-every 2 --link "$demo/ttyMIREL" \
  > "$demo/sim-mirel.txt" 2> "$demo/sim-mirel.log" &
pids+=($!)
for link in "$demo/ttyTARVO" "$demo/ttyMIREL"; do
  for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
  [ -L "$link" ] || { echo "the instrument simulator did not start; see $demo/sim-*.log" >&2; exit 1; }
done
# Both simulated lines stand in the poll button's port menu of either window.
export REG01_EXTRA_PORTS="$demo/ttyTARVO:$demo/ttyMIREL"

# Settings are made only where none exist, so the choices of an earlier run survive.
if [ ! -e "$demo/Tarvo.Ini" ]; then
  printf '[Config]\r\nCOM=%s\r\nFileName=%s\r\nDeviceNumber=0\r\n' \
    "$demo/ttyTARVO" "$demo/Тарво.txt" > "$demo/Tarvo.Ini"
fi
if [ ! -e "$demo/Mirel2.Ini" ]; then
  {
    printf '[Config]\r\nCOM=%s\r\nFileName=%s\r\nDeviceNumber=0\r\n[Columns]\r\n' \
      "$demo/ttyMIREL" "$demo/Мирел.txt"
    c=0
    for t in "№" "Проба" "Дата" "Время" "Счёт" "Жир" "СОМО" "Плотность" "Белок" "Лактоза" \
             "Соли" "Доб.вода" "Т.замерзания" "Температура" "СМО" "Казеин" "pH" \
             "Электропров." "Мочевина" "Кислотность" "Сыв.белок" "Лимон.к-та" "Кальций" \
             "Фосфор" "Хлориды" "Энерг.ценн." "Своб.жир.к-ты" "Сомат.клетки" "Жир/белок" \
             "Кетоны" "СОМО сливок" "Объём"; do
      printf '%d=%s\r\n' "$c" "$t"; c=$((c + 1))
    done
    # The first twelve values are shown; the rest are a click away in the View menu.
    printf '[View]\r\n'
    for c in $(seq 17 31); do printf '%d=0\r\n' "$c"; done
  } > "$demo/Mirel2.Ini"
fi
# Raw cow milk norms, also for settings an earlier demo made without any: a "Limits" section
# already there, even one emptied in the limits dialog, is the operator's and stays.
. "$top/scripts/demo-limits.sh"
add_limits() { # FILE FUNCTION
  grep -qi '^\[Limits\]' "$1" && return 0
  [ -z "$(tail -c 1 "$1")" ] || printf '\r\n' >> "$1"
  "$2" >> "$1"
}
add_limits "$demo/Tarvo.Ini" tarvo_limits
add_limits "$demo/Mirel2.Ini" mirel_limits

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cat <<TXT
The simulated instruments answer on $demo/ttyTARVO and $demo/ttyMIREL.
Choose a model, press F5 (or the green button): the first result row arrives within a second.
The next result comes two minutes after the last one, as the instrument protocol paces it.
Every second sample is watered, skimmed or over-fat milk: its values outside the raw-milk
norms show on blue (below) or orange (above) and its "Проба" cell is marked; the statistics
stand under the table. "Сервис" -> "Нормы…" changes the norms.
TXT
  cd "$demo"
  "$demo/reg01"
  exit 0
fi

# No display: a short session on a virtual one, then where to look.
echo "No display found: playing a short session on a virtual display instead."
n=99
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$n"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
python3 "$top/tests/e2e/xkeys.py" || true
(cd "$demo" && exec ./reg01) > "$demo/reg01.log" 2>&1 &
prog=$!
pids+=($prog)
window() { # the id of the first shown window whose title matches
  local id
  for _ in $(seq 150); do
    for id in $(xdotool search --onlyvisible --class reg01 2>/dev/null); do
      if [[ $(xdotool getwindowname "$id" 2>/dev/null) =~ $1 ]]; then echo "$id"; return 0; fi
    done
    sleep 0.1
  done
  return 1
}
choice=$(window '^Регистрация reg') || { echo "the program did not start; see $demo/reg01.log" >&2; exit 1; }
xdotool windowfocus --sync "$choice" 2>/dev/null || true
xdotool mousemove --window "$choice" 70 55 click 1 # Тарво-2(2M)
xdotool mousemove --window "$choice" 101 164 click 1 # Продолжить
w=$(window '^Регистрация\(') || { echo "the Tarvo window did not open; see $demo/reg01.log" >&2; exit 1; }
results=$demo/Тарво.txt
lines_before=$( [ -f "$results" ] && tr -cd '\n' <"$results" | wc -c || echo 0)
xdotool windowfocus --sync "$w" 2>/dev/null || true
xdotool key F5
sleep 2 # the first result arrives within a second
row=$((96 + 24 * (lines_before > 0 ? lines_before - 1 : 0)))
[ "$row" -lt 400 ] || row=96
xdotool mousemove --window "$w" 68 "$row" click 1
xdotool type --delay 40 "Проба демо"
xdotool key Return ctrl+s
sleep 1
xdotool mousemove 1279 1023
shot=$demo/demo-screenshot.png
read -r gx gy gw gh < <(xwininfo -id "$w" | awk '/Absolute upper-left X/ {x=$NF}
  /Absolute upper-left Y/ {y=$NF} /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}')
import -silent -window root -crop "${gw}x${gh}+${gx}+${gy}" +repage "$shot"
xdotool key F5
sleep 0.5
python3 "$top/tests/e2e/xclose.py" "$w" 2>/dev/null || true
for _ in $(seq 50); do kill -0 "$prog" 2>/dev/null || break; sleep 0.1; done
cat <<TXT

The session: Тарво-2(2M) chosen, polling started with F5, one result taken, the label
"Проба демо" typed, the table saved with Ctrl+S.
  screenshot:   $shot
  results file: $results
  settings:     $demo/Tarvo.Ini
Run this command from a desktop session to work with the program yourself.
TXT
