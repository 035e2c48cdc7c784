#!/usr/bin/env bash
# The program at the root of a simulator-sized folder (100,000 files in 10,000 folders):
# its window shows at once, searching, with Start disabled; the list it fills is exactly
# the lines the folder holds, in the search's order; a line starts; closing the window
# during a search ends the program.
#   big_folder_test.sh BUILD_DIR
source "$(dirname "$0")/e2e_lib.sh" "$@"

prog=$E2E_WORK/program
step "a folder like a simulator's"
python3 "$E2E_ROOT/tests/e2e/make_tree.py" "$prog" "$E2E_WORK/expected"
cp "$BUILD_DIR/vlakomluv.exe" "$prog/"
[ "$(wc -l <"$E2E_WORK/expected")" -eq 200 ] || fail "the tree holds $(wc -l <"$E2E_WORK/expected") lines, not 200"

# Starts the program without tracing: a trace of the search would be huge.
start_searching() {
    (cd "$prog" && LANG=$E2E_PROGRAM_LANG LC_ALL=$E2E_PROGRAM_LANG exec wine ./vlakomluv.exe >/dev/null 2>&1) &
    PROGRAM_PID=$!
    E2E_PIDS+=("$PROGRAM_PID")
}

step "the window shows at once, searching"
start_searching
drv first-state 60 >"$E2E_WORK/first" || { fail "the window did not appear"; exit 1; }
for line in "window=Vlakomluv pro MSTS" "combo.count=1" "combo.item=Hledám linky…" "button Start=disabled"; do
    grep -qxF "$line" "$E2E_WORK/first" || fail "while searching, expected $line in: $(tr '\n' ' ' <"$E2E_WORK/first")"
done
main_x=$(x_window "Vlakomluv pro MSTS")
focus_x_window "$main_x"
drv state >"$E2E_WORK/searching"
if grep -qx "button Start=disabled" "$E2E_WORK/searching"; then
    grep -qx "focus=combo" "$E2E_WORK/searching" || fail "while Start is disabled the focus is not on the list: $(grep focus= "$E2E_WORK/searching")"
else
    echo "(the search ended before the window had the focus)"
fi

step "the list is what the folder holds, in the search's order, and Start has the focus"
E2E_WAIT=120 expect "button Start=enabled" "combo.count=200" "combo.selected=-1" "active=yes" "focus=button Start"
drv state | sed -n 's/^combo.item=//p' >"$E2E_WORK/found"
diff "$E2E_WORK/expected" "$E2E_WORK/found" >"$E2E_WORK/diff" || fail "the list differs from the folder's lines: $(head -20 "$E2E_WORK/diff")"

step "a line found starts"
index=$(grep -n -x -F "Trať Žďár 100" "$E2E_WORK/found" | cut -d: -f1)
drv select $((index - 1))
drv click Start
expect "lblHlaseni=a1.wav" "button >=enabled"

step "closing the window ends the program"
drv close
drv gone 20 || fail "the window did not close"
status=0
wait "$PROGRAM_PID" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status"

step "closing the window while it searches ends the program"
start_searching
drv first-state 60 >"$E2E_WORK/first" || { fail "the window did not appear"; exit 1; }
grep -qx "button Start=disabled" "$E2E_WORK/first" || fail "not searching: $(tr '\n' ' ' <"$E2E_WORK/first")"
drv close
drv gone 20 || fail "the window did not close"
status=0
wait "$PROGRAM_PID" || status=$?
[ "$status" -eq 0 ] || fail "the program ended with $status"
e2e_finish
