#!/usr/bin/env bash
# The installer as a lab's PC runs it: a silent install (/S) into Program Files, the
# Start-menu entry, the installed program starting to its choice window, and a silent
# uninstall that leaves no program behind; then the portable zip, unpacked and started.
source "$(dirname "$0")/lib.sh"

installer=$(ls "$WINE_BUILD"/reg01-*-win64.exe 2>/dev/null | head -1)
zip=$(ls "$WINE_BUILD"/reg01-*-win64.zip 2>/dev/null | head -1)
[ -n "$installer" ] || e2e_die "no installer in $WINE_BUILD"
[ -n "$zip" ] || e2e_die "no portable zip in $WINE_BUILD"

e2e_start_x
wine_boot
installed=$WINEPREFIX/drive_c/Program\ Files/reg01

# A started program shows its choice window; closing that ends it.
starts_to_choice() {
    local dir=$1 what=$2 w
    wine_start "$dir" reg01.exe
    w=$(e2e_wait_window "$E2E_CHOICE_TITLE" 60) || { e2e_log "  $what: no choice window"; return 1; }
    e2e_shot "choice-$what" "$w" >/dev/null
    e2e_close "$w"
    e2e_wait_program_end 30
}

"${E2E_RU[@]}" timeout 300 wine "$installer" /S >"$E2E_TMP/install.out" 2>&1 || true
e2e_wait 60 test -f "$installed/reg01.exe" ||
    e2e_die "the silent install put no reg01.exe under Program Files: $(cat "$E2E_TMP/install.out")"
# The installer writes the program's files first and its uninstaller and Start-menu entry
# last, so each is waited for, not only looked at once.
e2e_check "with the Qt platform, style and SQL plugins beside it" \
    e2e_wait 60 test -f "$installed/platforms/qwindows.dll" -a -f "$installed/sqldrivers/qsqlite.dll"
e2e_check "and an uninstaller" e2e_wait 60 test -f "$installed/Uninstall.exe"
e2e_check "the Start menu has the entry Регистрация reg.01" \
    e2e_wait 60 bash -c 'find "$1/drive_c" -path "*Start Menu*" -name "Регистрация reg.01.lnk" | grep -q .' \
    _ "$WINEPREFIX"
e2e_check "the installed program starts to its choice window" starts_to_choice "$installed" installed

"${E2E_RU[@]}" timeout 300 wine "$installed/Uninstall.exe" /S >"$E2E_TMP/uninstall.out" 2>&1 || true
# The uninstaller copies itself away and goes on from there, so wine returns before it is done;
# it takes the files away before the Start-menu entry.
e2e_check "the silent uninstall takes the program away" \
    e2e_wait 60 bash -c '[ ! -e "$1/reg01.exe" ]' _ "$installed"
e2e_check "and its Start-menu entry" \
    e2e_wait 60 bash -c '! find "$1/drive_c" -name "Регистрация reg.01.lnk" | grep -q .' _ "$WINEPREFIX"

portable=$E2E_TMP/portable
mkdir -p "$portable" && unzip -q "$zip" -d "$portable"
portable_dir=$(dirname "$(find "$portable" -name reg01.exe | head -1)")
e2e_check "the portable zip holds the program" test -f "$portable_dir/reg01.exe"
e2e_check "the unpacked program starts to its choice window" starts_to_choice "$portable_dir" portable
e2e_finish
