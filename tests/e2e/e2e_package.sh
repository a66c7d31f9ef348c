#!/usr/bin/env bash
# The Debian package as a new user meets it: cpack makes it from the build folder, its
# contents and control fields are what a desktop program needs, the menu entry and the
# AppStream metadata validate, lintian finds no error, and the program unpacked into a
# throw-away root starts from /usr/bin as an unprivileged user whose program folder is not
# writable: the choice window shows, Enter continues, and closing the window ends it cleanly.
source "$(dirname "$0")/lib.sh"

for tool in cpack dpkg-deb dpkg desktop-file-validate appstreamcli setpriv; do
    command -v "$tool" >/dev/null || e2e_skip "$tool is not installed"
done
[ -f "$E2E_BUILD/CPackConfig.cmake" ] || e2e_die "no CPackConfig.cmake in $E2E_BUILD"
[ -x "$E2E_BUILD/reg01" ] || e2e_die "no program at $E2E_BUILD/reg01"

# Unprivileged: ourselves when not root, else the system's nobody.
if [ "$(id -u)" -eq 0 ]; then
    id nobody >/dev/null 2>&1 || e2e_skip "running as root and there is no user nobody"
    RUN_UID=$(id -u nobody)
    RUN_GID=$(id -g nobody)
    AS_USER=(setpriv --reuid="$RUN_UID" --regid="$RUN_GID" --clear-groups)
else
    RUN_UID=$(id -u)
    AS_USER=()
fi

# --- the package -----------------------------------------------------------------------
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$E2E_BUILD/CMakeCache.txt")
arch=$(dpkg --print-architecture)
[ -n "$version" ] || e2e_die "no project version in $E2E_BUILD/CMakeCache.txt"
e2e_log "packaging reg01 $version for $arch"
cpack -G DEB --config "$E2E_BUILD/CPackConfig.cmake" -B "$E2E_TMP/pkg" >"$E2E_TMP/cpack.log" 2>&1 \
    || { cat "$E2E_TMP/cpack.log"; e2e_die "cpack failed"; }
deb=$E2E_TMP/pkg/reg01_${version}_${arch}.deb
[ -f "$deb" ] || e2e_die "no $(basename "$deb"); cpack made: $(ls "$E2E_TMP/pkg")"
e2e_log "$(basename "$deb"): $(stat -c %s "$deb") bytes"

app_id=$(sed -n 's/^REG01_APP_ID:STRING=//p' "$E2E_BUILD/CMakeCache.txt")
[ -n "$app_id" ] || e2e_die "no REG01_APP_ID in $E2E_BUILD/CMakeCache.txt"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$E2E_TMP/contents"
has_file() { grep -qxF -- "$1" "$E2E_TMP/contents" || { e2e_log "  $1 is missing"; return 1; }; }
all_files() { local f; for f in "$@"; do has_file "$f" || return 1; done; }
icons=(/usr/share/icons/hicolor/scalable/apps/$app_id.svg)
for size in 16 32 48 64 128 256; do
    icons+=("/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png")
done
e2e_check "both programs in /usr/bin" all_files /usr/bin/reg01 /usr/bin/instrument-sim
e2e_check "the menu entry and the AppStream metadata" all_files \
    "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml"
e2e_check "the icon as SVG and PNG sizes in hicolor" all_files "${icons[@]}"
e2e_check "manual pages, copyright and changelog" all_files \
    /usr/share/man/man1/reg01.1.gz /usr/share/man/man1/instrument-sim.1.gz \
    /usr/share/doc/reg01/copyright /usr/share/doc/reg01/changelog.gz

field() { dpkg-deb -f "$deb" "$1"; }
e2e_check "the package is named and versioned as the build" \
    e2e_equal "$(field Package) $(field Version) $(field Architecture)" "reg01 $version $arch"
# Computed from the linked libraries, not written by hand.
e2e_check "dependencies found in the programs' libraries" \
    e2e_matches "$(field Depends)" '.*libc6 .*libqt6core6 .*libqt6widgets6 .*'
# A program built with the charts links Qt Charts, and the package must bring it along.
if objdump -p "$E2E_BUILD/reg01" 2>/dev/null | grep -q 'NEEDED.*libQt6Charts'; then
    e2e_check "the charts' library among the dependencies" \
        e2e_matches "$(field Depends)" '.*libqt6charts6.*'
fi
e2e_check "the description speaks of the dialout group" \
    e2e_matches "$(field Description | tr '\n' ' ')" '.*group dialout.*adduser.*'
# No script that could add users to groups, or anything else, at install time.
control_files=$(dpkg-deb -I "$deb" | awk '/^ +[0-9]+ bytes, +[0-9]+ lines/ {print $NF}' | sort |
                tr '\n' ' ')
e2e_check "no maintainer scripts" e2e_equal "$control_files" "control md5sums "

root=$E2E_TMP/root
dpkg -x "$deb" "$root" || e2e_die "dpkg -x failed"
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
e2e_check "desktop-file-validate passes" desktop-file-validate "$desktop"
e2e_check "appstreamcli validate passes" appstreamcli validate --no-net "$metainfo"
e2e_check "the entry names the program in Russian and English" e2e_equal \
    "$(grep -E '^Name(\[ru\])?=' "$desktop" | sort | tr '\n' '|')" \
    "Name=Milk Analyser Registration|Name[ru]=Регистрация reg.01|"
e2e_check "the entry starts the installed program with the installed icon" e2e_equal \
    "$(sed -n 's/^Exec=//p; s/^Icon=//p' "$desktop" | tr '\n' ' ')" "reg01 $app_id "
e2e_check "the metainfo launches the entry and shows the screenshots" e2e_matches \
    "$(tr -d '\n' <"$metainfo")" \
    ".*<launchable type=\"desktop-id\">$app_id.desktop</launchable>.*(<image>[^<]*/(choice|tarvo|mirel|about)\.png</image>.*){4}"
e2e_check "every library of the installed program is found" \
    e2e_equal "$(ldd "$root/usr/bin/reg01" | grep -c 'not found')" 0

if command -v lintian >/dev/null; then
    # lintian refuses nothing when run as root, but says so on stderr.
    lintian --no-tag-display-limit "$deb" >"$E2E_TMP/lintian.txt" 2>"$E2E_TMP/lintian.err" || true
    sed 's/^/  lintian: /' "$E2E_TMP/lintian.txt"
    e2e_check "lintian finds no error" e2e_equal "$(grep -c '^E:' "$E2E_TMP/lintian.txt")" 0
else
    e2e_log "lintian is not installed: not run"
fi

# --- the installed program, as an unprivileged user --------------------------------------
chmod 755 "$E2E_TMP"
home=$E2E_TMP/home
mkdir -p "$home/.config" "$E2E_TMP/runtime"
chmod 700 "$E2E_TMP/runtime"
if [ "$(id -u)" -eq 0 ]; then
    chown -R "$RUN_UID:$RUN_GID" "$home" "$E2E_TMP/runtime"
else
    # dpkg -x made the tree ours: take the right to write away, as an installation would.
    chmod a-w "$root/usr/bin"
fi
e2e_check "the program folder is not writable for the user" \
    "${AS_USER[@]}" bash -c "! test -w '$root/usr/bin'"
ls -la "$root/usr/bin" >"$E2E_TMP/bin-before"

e2e_start_x
# On the X display, whatever platform the caller chose for the QtTest suites.
unset QT_QPA_PLATFORM
(cd "$home" && exec "${AS_USER[@]}" env HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_RUNTIME_DIR="$E2E_TMP/runtime" "${E2E_RU[@]}" "$root/usr/bin/reg01") \
    >"$E2E_TMP/reg01.out" 2>&1 &
E2E_REG01_PID=$!
choice=$(e2e_wait_window "$E2E_CHOICE_TITLE" 20) || e2e_die "the installed program showed no window"
e2e_check "the program runs as the unprivileged user" \
    e2e_equal "$(stat -c %u "/proc/$E2E_REG01_PID")" "$RUN_UID"
e2e_shot choice "$choice" >/dev/null
# The first model is preselected and "Продолжить" is the default button.
e2e_key "$choice" Return
w=$(e2e_wait_window 'Регистрация\(.*\.txt\)') || e2e_die "Enter did not open the Tarvo window"
e2e_check "the choice window is gone" e2e_no_window "$E2E_CHOICE_TITLE"
e2e_check "the caption names a results file" \
    e2e_matches "$(xdotool getwindowname "$w")" 'Регистрация\(.*\.txt\)'
e2e_shot tarvo "$w" >/dev/null
# The about window of the installed build (it shows the version; the shot keeps the look).
e2e_click "$w" 85 8
e2e_pointer_away
about=$(e2e_wait_window 'О программе') || e2e_die "the about window did not open"
sleep 0.3
e2e_shot about "$about" >/dev/null
e2e_key "$about" Return
e2e_check "Enter closes the about window" e2e_wait_window_gone 'О программе' 5
e2e_check "the program still runs" e2e_program_running
e2e_close "$w"
e2e_check "closing the window ends the program" e2e_wait_program_end 15
e2e_check "the program ended without an error" e2e_equal "${E2E_REG01_RC:-}" 0
# The program cannot write beside itself: its settings went to $XDG_CONFIG_HOME/reg01/.
ls -la "$root/usr/bin" >"$E2E_TMP/bin-after"
e2e_check "the settings are in the user's config folder" test -f "$home/.config/reg01/Tarvo.Ini"
e2e_check "nothing was written beside the installed program" \
    cmp -s "$E2E_TMP/bin-before" "$E2E_TMP/bin-after"
e2e_log "program output:"; sed 's/^/  /' "$E2E_TMP/reg01.out"

chmod u+w "$root/usr/bin"
e2e_finish
