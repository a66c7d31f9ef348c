#!/usr/bin/env bash
# README command 1: installs what is missing, builds, starts one simulated instrument per
# family on a pseudo-terminal and starts the program from a demo program folder whose
# settings point both registration windows at those simulators.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh"

demo=$build/demo
mkdir -p "$demo"
# The program keeps its settings beside itself: run a copy that lives in the demo folder.
cp -f "$build/reg01" "$demo/reg01"
sim=$build/tools/sim/instrument-sim

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM

"$sim" --family tarvo --link "$demo/ttyTARVO" > "$demo/sim-tarvo.txt" 2> "$demo/sim-tarvo.log" &
pids+=($!)
"$sim" --family mirel --link "$demo/ttyMIREL" > "$demo/sim-mirel.txt" 2> "$demo/sim-mirel.log" &
pids+=($!)
for link in "$demo/ttyTARVO" "$demo/ttyMIREL"; do
  for _ in $(seq 50); do [ -L "$link" ] && break; sleep 0.1; done
  [ -L "$link" ] || { echo "the instrument simulator did not start; see $demo/sim-*.log" >&2; exit 1; }
done

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

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting a virtual one (Xvfb :99). Point a VNC/xwd tool at it, or run"
  echo "this command from a desktop session to see the window."
  Xvfb :99 -screen 0 1280x1024x24 -noreset >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:99
  sleep 1
fi

cat <<TXT
The simulated instruments answer on $demo/ttyTARVO and $demo/ttyMIREL.
Choose a model, press F5 (or the green button): the first result row arrives within a second.
The next result comes two minutes after the last one, as the instrument protocol paces it.
TXT
cd "$demo"
"$demo/reg01"
