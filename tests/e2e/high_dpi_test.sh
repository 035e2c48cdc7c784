#!/usr/bin/env bash
# At 144 DPI (150 %) the window and its controls are one and a half times their
# designed size: the program declares itself DPI aware and scales its layout.
#   high_dpi_test.sh BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh" "$@"

wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true  # the next Wine process starts with the new DPI

prog=$E2E_WORK/program
mkdir -p "$prog"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"
start_program "$prog"
drv rect >"$E2E_WORK/rect"
for line in "client=675,218" "group  &Výběr linky .size=675x131" "group  &Simulace a testy .size=675x87" \
    "button Start.size=113x38" "button -1.size=35x33" "button >.size=35x33" "button +1.size=35x33" \
    "button ....size=35x33"; do
    grep -qxF "$line" "$E2E_WORK/rect" || fail "expected $line in: $(tr '\n' ' ' <"$E2E_WORK/rect")"
done
drv close
drv gone 20 || fail "the window did not close"
e2e_finish
