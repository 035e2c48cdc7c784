#!/usr/bin/env bash
# The download as a user gets it: dist/vlakomluv-VERSION-win64.zip (made by
# scripts/package.sh) unpacked into a fresh folder; the program there offers the
# demo line and plays it, the line check finds no fault in it, and the version
# resource carries the version the zip is named by.
#   package_test.sh BUILD_DIR
E2E_WAIT=60  # the spoken announcements take seconds
source "$(dirname "$0")/e2e_lib.sh" "$@"

version=$(head -1 "$E2E_ROOT/VERSION")
zip=$E2E_ROOT/dist/vlakomluv-$version-win64.zip
[ -f "$zip" ] || { echo "missing $zip: scripts/package.sh makes it (scripts/test.sh runs it)"; exit 1; }

step "unpacked into a fresh folder"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$E2E_WORK/unpacked"
prog=$E2E_WORK/unpacked/vlakomluv-$version-win64
for f in vlakomluv.exe vkmcheck.exe navod.md LICENSE.txt demo/Demo.vkm demo/gong.wav demo/odjezd_praha.wav; do
    [ -f "$prog/$f" ] || fail "the zip lacks $f"
done
size=$(stat -c %s "$prog/vlakomluv.exe")
echo "vlakomluv.exe: $size bytes"
[ "$size" -le 524288 ] || fail "vlakomluv.exe is $size bytes, more than 0.5 MB: not the release build"
strings -el "$prog/vlakomluv.exe" | grep -qx "$version.0" || fail "the version resource does not say $version"

step "the line check finds no fault in the demo line"
status=0
(cd "$prog" && wine ./vkmcheck.exe demo >"$E2E_WORK/check.txt") || status=$?
[ "$status" -eq 0 ] || { fail "vkmcheck on the demo line: exit $status"; cat "$E2E_WORK/check.txt"; }

step "the program offers the demo line and plays it"
start_demo_line "$prog"
open_focus_window 60
xdotool key Return
expect "lblHlaseni=prijezd_cesky_brod.wav"
expect_wavs "gong.wav odjezd_praha.wav"
drv close
drv gone 20 || fail "the window did not close"
e2e_finish
