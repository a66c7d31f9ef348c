# Helpers for the end-to-end runs: sourced by tests/e2e/e2e_*.sh, which CTest calls as
# `bash script BUILD_DIR`. Each run gets a virtual X display of its own (no window manager),
# a program folder in a temporary directory with a copy of reg01 and its settings files,
# simulated instruments on pseudo-terminals, and, for printing, a private CUPS server with a
# PDF queue. Everything started here is ended on exit; the temporary directory is kept when
# a check failed (its path is printed) or when E2E_KEEP=1.
set -euo pipefail

E2E_BUILD=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_TOP=$(cd "$E2E_HERE/../.." && pwd)
E2E_SIM=$E2E_BUILD/tools/sim/instrument-sim
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/reg01-e2e.XXXXXX")
E2E_PROG=$E2E_TMP/prog
E2E_SHOTS=${E2E_SHOTS:-$E2E_TMP/shots}
E2E_FAILS=0
E2E_CHECKS=0
E2E_REG01_PID=
E2E_XVFB_PID=
E2E_CUPSD_PID=
E2E_CUPS_PDF_CONF=
declare -A E2E_SIM_PIDS=()
mkdir -p "$E2E_PROG" "$E2E_SHOTS"

# Our own tools (xdotool, bash's comparisons) need a UTF-8 locale for the Cyrillic titles;
# the program itself runs in the Russian one.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
E2E_RU=(env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 LANGUAGE=ru)

e2e_log() { printf '[%s] %s\n' "$(date +%T.%3N)" "$*"; }

# A failed check is counted and the run goes on; e2e_die ends the run.
e2e_check() {
    local what=$1; shift
    E2E_CHECKS=$((E2E_CHECKS + 1))
    if "$@"; then
        e2e_log "ok   $what"
    else
        e2e_log "FAIL $what"
        E2E_FAILS=$((E2E_FAILS + 1))
        e2e_shot "fail-$E2E_CHECKS" || true
    fi
}

e2e_die() {
    e2e_log "FATAL $*"
    E2E_FAILS=$((E2E_FAILS + 1))
    e2e_shot fatal || true
    e2e_windows >&2 || true
    exit 1
}

e2e_skip() {
    e2e_log "SKIP $*"
    exit 77
}

e2e_finish() {
    e2e_log "$E2E_CHECKS checks, $E2E_FAILS failed"
    [ "$E2E_FAILS" -eq 0 ]
}

e2e_cleanup() {
    local rc=$?
    set +e
    if [ -n "$E2E_REG01_PID" ] && kill -0 "$E2E_REG01_PID" 2>/dev/null; then
        kill "$E2E_REG01_PID"; wait "$E2E_REG01_PID" 2>/dev/null
    fi
    local name
    for name in "${!E2E_SIM_PIDS[@]}"; do
        kill "${E2E_SIM_PIDS[$name]}" 2>/dev/null && wait "${E2E_SIM_PIDS[$name]}" 2>/dev/null
    done
    e2e_stop_cups
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    if [ "$rc" -ne 0 ] && [ "$rc" -ne 77 ] || [ "${E2E_KEEP:-0}" = 1 ]; then
        echo "kept for inspection: $E2E_TMP" >&2
    else
        rm -rf "$E2E_TMP"
    fi
    exit "$rc"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

# Polls a command until it succeeds: e2e_wait SECONDS CMD ARGS...
e2e_wait() {
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

# --- X display -------------------------------------------------------------------------

# A display of its own from :90 up. The server's lock file must name our server: another one
# started at the same moment on the same number would otherwise be driven instead.
e2e_start_x() {
    command -v Xvfb >/dev/null || e2e_skip "Xvfb is not installed"
    # The program must open real windows on this display, whatever the caller chose for Qt.
    unset QT_QPA_PLATFORM
    local n
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset -wr \
            >"$E2E_TMP/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        local end=$((SECONDS + 10))
        until e2e_x_ours "$n" || ! kill -0 "$E2E_XVFB_PID" 2>/dev/null \
              || [ "$SECONDS" -ge "$end" ]; do
            sleep 0.1
        done
        if e2e_x_ours "$n"; then
            export DISPLAY=":$n"
            python3 "$E2E_HERE/xkeys.py" || e2e_die "could not map the Cyrillic keys"
            e2e_log "Xvfb on $DISPLAY"
            return 0
        fi
        kill "$E2E_XVFB_PID" 2>/dev/null; wait "$E2E_XVFB_PID" 2>/dev/null || true
        E2E_XVFB_PID=
    done
    e2e_die "no free X display"
}
e2e_x_ours() {
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || return 1
    [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$1-lock")" = "$E2E_XVFB_PID" ] || return 1
    xdpyinfo -display ":$1" >/dev/null 2>&1
}

# "id<TAB>title" of every shown window of the program.
e2e_windows() {
    local id
    for id in $(xdotool search --onlyvisible --class reg01 2>/dev/null); do
        printf '%s\t%s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
    done
}

# Prints the id of the first shown window whose whole title matches the bash regex.
e2e_find_window() {
    local re=$1 id title
    while IFS=$'\t' read -r id title; do
        if [[ $title =~ ^($re)$ ]]; then echo "$id"; return 0; fi
    done < <(e2e_windows)
    return 1
}

e2e_wait_window() {
    local re=$1 limit=${2:-15} end=$((SECONDS + ${2:-15}))
    local id
    while :; do
        if id=$(e2e_find_window "$re"); then echo "$id"; return 0; fi
        [ "$SECONDS" -lt "$end" ] || { e2e_log "no window titled /$re/ within ${limit}s"; return 1; }
        sleep 0.1
    done
}

e2e_wait_window_gone() {
    local re=$1 limit=${2:-15}
    e2e_wait "$limit" e2e_no_window "$re"
}
e2e_no_window() { ! e2e_find_window "$1" >/dev/null; }
e2e_has_window() { e2e_find_window "$1" >/dev/null; }

e2e_focus() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    sleep 0.1
}

# Keys go through XTEST to the focused window, as a keyboard's would.
e2e_key() {
    local w=$1; shift
    e2e_focus "$w"
    xdotool key --delay 30 "$@"
}

e2e_type() {
    local w=$1 text=$2
    e2e_focus "$w"
    xdotool type --delay 40 "$text"
}

# Left click at window-relative coordinates; the pointer then leaves the window, so no
# hover look or tool tip stays in the screenshots.
e2e_click() {
    local w=$1 x=$2 y=$3
    xdotool mousemove --window "$w" "$x" "$y" click 1
    sleep 0.05
}
e2e_pointer_away() { xdotool mousemove 1279 1023; }

# Asks a window to close as the close box of a window manager would.
e2e_close() { python3 "$E2E_HERE/xclose.py" "$1"; }

# x y width height of a window on the screen.
e2e_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'
}

# e2e_shot NAME [WINDOW [EXTRA_BOTTOM]]: the whole screen, or the window's rectangle of it
# (popup menus are windows of their own, so the screen is cropped rather than the window
# grabbed); EXTRA_BOTTOM pixels more below for a menu that hangs out.
e2e_shot() {
    local name=$1 w=${2:-} extra=${3:-0} file="$E2E_SHOTS/$1.png"
    if [ -n "$w" ]; then
        local x y wd ht
        read -r x y wd ht < <(e2e_geometry "$w")
        import -silent -window root -crop "${wd}x$((ht + extra))+$x+$y" +repage "$file"
    else
        import -silent -window root "$file"
    fi
    echo "$file"
}

# The centre of the poll button's image in a registration window (toolbar below the menu
# bar: New, Open, Save, Print, the number box, then the poll button), and its two colours.
E2E_POLL_XY=(249 38)
E2E_IDLE_RGB="60,180,70"
E2E_POLLING_RGB="210,50,40"
e2e_poll_look() {
    local shot
    shot=$(e2e_shot "${2:-look}" "$1")
    case "$(e2e_pixel "$shot" "${E2E_POLL_XY[@]}")" in
        "$E2E_IDLE_RGB") echo idle ;;
        "$E2E_POLLING_RGB") echo polling ;;
        *) echo "unknown" ;;
    esac
}
e2e_looks_idle() { [ "$(e2e_poll_look "$1" "${2:-look}")" = idle ]; }

# Colour "r,g,b" of one pixel of a PNG.
e2e_pixel() {
    /usr/bin/convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
}

# --- program folder, simulators, program -----------------------------------------------

e2e_prepare_program() {
    [ -x "$E2E_BUILD/reg01" ] || e2e_die "no program at $E2E_BUILD/reg01"
    [ -x "$E2E_SIM" ] || e2e_die "no simulator at $E2E_SIM"
    cp -f "$E2E_BUILD/reg01" "$E2E_PROG/reg01"
}

# e2e_start_sim NAME FAMILY [instrument-sim options...]: serves the link $E2E_TMP/tty<NAME>
# (left in E2E_LINK), logging every request frame to $E2E_TMP/sim-<NAME>.frames. Not to be
# called in a subshell: the process must stay known to the cleanup.
e2e_start_sim() {
    local name=$1 family=$2; shift 2
    E2E_LINK=$E2E_TMP/tty$name
    "$E2E_SIM" --family "$family" --link "$E2E_LINK" --log "$E2E_TMP/sim-$name.frames" "$@" \
        >"$E2E_TMP/sim-$name.out" 2>"$E2E_TMP/sim-$name.err" &
    E2E_SIM_PIDS[$name]=$!
    e2e_wait 10 test -L "$E2E_LINK" \
        || e2e_die "simulator $name did not start: $(cat "$E2E_TMP/sim-$name.err")"
}

# Ends a simulator with a signal (TERM: it closes its line; KILL: the line drops at once).
e2e_stop_sim() {
    local name=$1 sig=${2:-TERM} pid=${E2E_SIM_PIDS[$1]:-}
    [ -n "$pid" ] || return 0
    kill -s "$sig" "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    unset "E2E_SIM_PIDS[$name]"
}

# Number of request frames with this code the simulator has seen.
e2e_frames() { grep -c " 0$2\$" "$E2E_TMP/sim-$1.frames" 2>/dev/null || true; }
e2e_frames_at_least() { [ "$(e2e_frames "$1" "$2")" -ge "$3" ]; }

# Settings written as the program writes them: UTF-8, CR LF.
e2e_write_ini() {
    local file=$1; shift
    printf '%s\r\n' "$@" >"$E2E_PROG/$file"
}

# The settings file holds this whole line (CR LF ends aside).
e2e_ini_has() {
    if tr -d '\r' <"$E2E_PROG/$1" | grep -qxF -- "$2"; then return 0; fi
    e2e_log "  no line [$2] in $1:"; sed 's/^/    /' "$E2E_PROG/$1"
    return 1
}

e2e_mirel_columns() {
    local c=0 t
    for t in "№" "Проба" "Дата" "Время" "Счёт" "Жир" "СОМО" "Плотность" "Белок" "Лактоза" \
             "Соли" "Доб.вода" "Т.замерзания" "Температура" "СМО" "Казеин" "pH" \
             "Электропров." "Мочевина" "Кислотность" "Сыв.белок" "Лимон.к-та" "Кальций" \
             "Фосфор" "Хлориды" "Энерг.ценн." "Своб.жир.к-ты" "Сомат.клетки" "Жир/белок" \
             "Кетоны" "СОМО сливок" "Объём"; do
        printf '%d=%s\n' "$c" "$t"; c=$((c + 1))
    done
}

e2e_start_program() {
    (cd "$E2E_PROG" && exec "${E2E_RU[@]}" "$@" ./reg01) >"$E2E_TMP/reg01.out" 2>&1 &
    E2E_REG01_PID=$!
}

e2e_program_running() { [ -n "$E2E_REG01_PID" ] && kill -0 "$E2E_REG01_PID" 2>/dev/null; }

# Waits for the program to end; its exit status goes to E2E_REG01_RC.
e2e_wait_program_end() {
    e2e_wait "${1:-15}" bash -c "! kill -0 $E2E_REG01_PID 2>/dev/null" || return 1
    E2E_REG01_RC=0
    wait "$E2E_REG01_PID" || E2E_REG01_RC=$?
    E2E_REG01_PID=
}

# The choice window: item 0..2 by a click on its radio button, then "Продолжить".
E2E_CHOICE_TITLE='Регистрация reg\.01'
e2e_choose() {
    local item=$1 w
    w=$(e2e_wait_window "$E2E_CHOICE_TITLE" 20) || e2e_die "the choice window did not appear"
    e2e_focus "$w"
    # The group sits at 40,24; its items share the height below the caption, 27 px each.
    e2e_click "$w" 70 $((24 + 18 + 27 * item + 13))
    e2e_click "$w" 101 164
    e2e_pointer_away
}

# --- results files -----------------------------------------------------------------------

# The file as UTF-8 with CR LF intact (iconv fails on bytes that are no Windows-1251).
e2e_file_text() { iconv -f CP1251 -t UTF-8 "$1"; }

# Field FIELD (1-based, as cut counts; field 1 is the sample label) of line LINE.
e2e_field() {
    e2e_file_text "$1" | sed -n "$2p" | tr -d '\r' | cut -f "$3"
}

# Every line ends in CR LF and holds exactly TABS tabs.
e2e_lines_well_formed() {
    local file=$1 tabs=$2
    [ -s "$file" ] || return 1
    # No LF without its CR, no CR without its LF, and the file ends in CR LF.
    [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')" = "0d0a" ] || return 1
    [ "$(tr -cd '\n' <"$file" | wc -c)" -eq "$(tr -cd '\r' <"$file" | wc -c)" ] || return 1
    ! LC_ALL=C grep -q $'\r[^\n]' "$file" 2>/dev/null || return 1
    LC_ALL=C awk -F'\t' -v n="$tabs" '{ sub(/\r$/, ""); if (NF - 1 != n) bad = 1 }
        END { exit bad }' "$file"
}

e2e_line_count() { tr -cd '\n' <"$1" | wc -c; }

e2e_equal() {
    if [ "$1" = "$2" ]; then return 0; fi
    e2e_log "  expected [$2], got [$1]"
    return 1
}

e2e_matches() {
    if [[ $1 =~ ^($2)$ ]]; then return 0; fi
    e2e_log "  [$1] does not match /$2/"
    return 1
}

# --- printing ----------------------------------------------------------------------------

# A private CUPS server (its own socket, spool and configuration under $E2E_TMP) with one
# cups-pdf queue as the default printer. The cups-pdf back end reads its settings only from
# /etc/cups, so one file named after the queue goes there while the run lasts.
E2E_QUEUE=reg01e2e
e2e_start_cups() {
    [ -x /usr/sbin/cupsd ] || e2e_skip "cupsd is not installed"
    [ -x /usr/lib/cups/backend/cups-pdf ] || e2e_skip "the cups-pdf back end is not installed"
    [ "$(id -u)" -eq 0 ] || e2e_skip "printing needs root: cups-pdf runs only as root"
    command -v pdftotext >/dev/null || e2e_skip "pdftotext is not installed"
    local ppd
    ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd /usr/share/ppd/cups-pdf/*.ppd 2>/dev/null \
          | head -1) || true
    [ -n "$ppd" ] || e2e_skip "no cups-pdf PPD found"
    local d=$E2E_TMP/cups
    mkdir -p "$d"/{conf,spool,cache,state,tmp,log} "$E2E_TMP/pdf"
    chmod 755 "$E2E_TMP" "$d" "$d/conf"
    chmod 1777 "$E2E_TMP/pdf"
    cat >"$d/conf/cups-files.conf" <<EOF
ServerRoot $d/conf
RequestRoot $d/spool
CacheDir $d/cache
StateDir $d/state
TempDir $d/tmp
ErrorLog $d/log/error_log
AccessLog $d/log/access_log
PageLog $d/log/page_log
User lp
Group lp
SystemGroup root
EOF
    cat >"$d/conf/cupsd.conf" <<EOF
Listen $d/cups.sock
LogLevel warn
PreserveJobFiles Yes
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    chown -R lp:lp "$d/spool" "$d/cache" "$d/state" "$d/tmp" "$d/log" 2>/dev/null || true
    /usr/sbin/cupsd -f -c "$d/conf/cupsd.conf" -s "$d/conf/cups-files.conf" \
        >"$d/log/cupsd.out" 2>&1 &
    E2E_CUPSD_PID=$!
    export CUPS_SERVER=$d/cups.sock
    e2e_wait 10 bash -c 'lpstat -r 2>/dev/null | grep -q "is running"' \
        || e2e_skip "cupsd did not start: $(cat "$d/log/cupsd.out" "$d/log/error_log" 2>/dev/null)"
    E2E_CUPS_PDF_CONF=/etc/cups/cups-pdf-$E2E_QUEUE.conf
    printf 'Out %s\nAnonDirName %s\nLabel 0\nUserUMask 0000\n' "$E2E_TMP/pdf" "$E2E_TMP/pdf" \
        >"$E2E_CUPS_PDF_CONF" || e2e_skip "cannot write $E2E_CUPS_PDF_CONF"
    lpadmin -p "$E2E_QUEUE" -E -v "cups-pdf:/$E2E_QUEUE" -P "$ppd" 2>/dev/null \
        || e2e_skip "lpadmin could not add the PDF queue"
    lpadmin -d "$E2E_QUEUE" || e2e_skip "lpadmin could not make the PDF queue the default"
    e2e_log "CUPS at $CUPS_SERVER, default queue $E2E_QUEUE -> $E2E_TMP/pdf"
}

e2e_stop_cups() {
    if [ -n "$E2E_CUPSD_PID" ]; then
        kill "$E2E_CUPSD_PID" 2>/dev/null; wait "$E2E_CUPSD_PID" 2>/dev/null
        E2E_CUPSD_PID=
    fi
    if [ -n "$E2E_CUPS_PDF_CONF" ]; then
        rm -f "$E2E_CUPS_PDF_CONF"
        E2E_CUPS_PDF_CONF=
    fi
}

e2e_pdf_ready() {
    local f
    f=$(ls "$E2E_TMP"/pdf/*.pdf 2>/dev/null | head -1) || return 1
    [ -n "$f" ] && pdfinfo "$f" >/dev/null 2>&1
}

# The printed page of cups-pdf has no text layer: on the way through PostScript the fonts
# lose the map from glyphs to characters. The text is read from the job's document as the
# server received it (jobs are kept: PreserveJobFiles); the PDF printed is checked for pages
# and fonts.
e2e_last_job_document() { ls -t "$E2E_TMP"/cups/spool/d*-001 2>/dev/null | head -1; }
