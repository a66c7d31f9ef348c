#!/usr/bin/env bash
# The unit suites built for Windows, each run under Wine on the offscreen platform. QtTest
# writes its report to a file (a console program's output does not reach us under Wine); the
# report's totals line is printed beside each suite's result.
source "$(dirname "$0")/lib.sh"

[ ${#WINE_SUITES[@]} -gt 0 ] || e2e_die "no suites named"
wine_boot
for suite in "${WINE_SUITES[@]}"; do
    log=$WINE_BUILD/tests/$suite.wine.log
    rm -f "$log"
    rc=0
    (cd "$WINE_BUILD/tests" && QT_QPA_PLATFORM=offscreen timeout 600 "${E2E_RU[@]}" \
        wine "./$suite.exe" -o "$suite.wine.log,txt" >/dev/null 2>&1) || rc=$?
    totals=$(grep -a '^Totals' "$log" 2>/dev/null || echo "no report")
    e2e_check "$suite under Wine ($totals)" test "$rc" -eq 0
    [ "$rc" -eq 0 ] || grep -a '^FAIL\|^   Loc' "$log" 2>/dev/null | head -20 || true
done
e2e_finish
